#pragma once

#include <QPushButton>

// A button that shows a colour and lets the user pick another. Colours are
// the stored values 0x00BBGGRR.
class ColorButton final : public QPushButton
{
    Q_OBJECT

public:
    explicit ColorButton(const QString &title, QWidget *parent = nullptr);

    int Color() const { return m_color; }
    void SetColor(int stored);

signals:
    void ColorChosen();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Choose();

    QString m_title;
    int m_color = 0;
};
