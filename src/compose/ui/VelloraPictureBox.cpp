#include "compose/ui/VelloraPictureBox.h"

#include "compose/DrawFitted.h"
#include "compose/ImageFiles.h"

#include <QPainter>

VelloraPictureBox::VelloraPictureBox(QWidget *parent)
    : QFrame(parent)
{
}

void VelloraPictureBox::SetImage(const QImage &image)
{
    m_image = image;
}

void VelloraPictureBox::ReleaseImage()
{
    m_image = QImage();
    m_fitted = QImage();
    m_area = QRect();
    update();
}

void VelloraPictureBox::DrawFitted()
{
    m_area = m_image.isNull() ? QRect() : FittedRect(m_image.size(), size());
    m_fitted = m_area.isEmpty() ? QImage() : StretchImage(m_image, m_area.size());
    update();
}

void VelloraPictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (m_fitted.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(m_area.topLeft(), m_fitted);
}
