#pragma once

#include <QDialog>

class QLabel;
class QTimer;

// The countdown before a shot: a frameless, translucent window over the
// whole screen, always on top, in which only the digits show. The window is
// also shaped to the digits, so on a desktop without a compositing manager
// (where translucency paints black) the guests still see themselves around them. Given N
// seconds it shows N one second after opening, then N-1 and so on down to 1,
// and closes on the next tick (with 0 showing for that moment), so the shot
// follows about N+1 seconds after the shoot button.
class TimesCountDownDlg final : public QDialog
{
    Q_OBJECT
public:
    enum Control { kDigits = 1109 };

    explicit TimesCountDownDlg(int seconds, QWidget *parent = nullptr);

    QLabel *digits() const { return m_digits; }
    int remaining() const { return m_remaining; }

signals:
    // Each digit as it is shown.
    void digitShown(int digit);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void onTick();
    // Shapes the window to the digits' pixels.
    void shapeToDigits();

    QLabel *m_digits = nullptr;
    QTimer *m_timer = nullptr;
    int m_remaining = 0;
};
