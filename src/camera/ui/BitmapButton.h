#pragma once

#include <QPixmap>
#include <QPushButton>

// A push button that shows a picture instead of its text, centred, the
// way the camera window's big buttons look. The text stays the button's
// name (tool tip, accessibility, tests).
class BitmapButton final : public QPushButton
{
    Q_OBJECT
public:
    BitmapButton(const QString &text, QPixmap picture, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture;
};
