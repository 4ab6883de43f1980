#include "camera/ui/BitmapButton.h"

#include <QPainter>

BitmapButton::BitmapButton(const QString &text, QPixmap picture, QWidget *parent)
    : QPushButton(text, parent), m_picture(std::move(picture))
{
    setToolTip(text);
    setAutoDefault(false);
    setFocusPolicy(Qt::NoFocus);
}

void BitmapButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QSize size = m_picture.deviceIndependentSize().toSize();
    QPoint corner((width() - size.width()) / 2, (height() - size.height()) / 2);
    if (isDown())
        corner += QPoint(1, 1);
    if (!isEnabled())
        painter.setOpacity(0.4);
    painter.drawPixmap(corner, m_picture);
}
