#include "compose/ui/ColorButton.h"

#include "compose/TemplateSettings.h"

#include <QColorDialog>
#include <QPainter>

ColorButton::ColorButton(const QString &title, QWidget *parent)
    : QPushButton(parent), m_title(title)
{
    setAutoDefault(false);
    setFixedSize(48, 24);
    connect(this, &QPushButton::clicked, this, &ColorButton::Choose);
}

void ColorButton::SetColor(int stored)
{
    m_color = stored;
    update();
}

void ColorButton::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);
    QPainter painter(this);
    painter.setPen(isEnabled() ? Qt::black : Qt::gray);
    painter.setBrush(isEnabled() ? QColor(ColorFromStored(m_color)) : palette().color(QPalette::Button));
    painter.drawRect(rect().adjusted(6, 5, -7, -6));
}

void ColorButton::Choose()
{
    const QColor chosen = QColorDialog::getColor(QColor(ColorFromStored(m_color)), this, m_title);
    if (!chosen.isValid())
        return;
    SetColor(chosen.red() | chosen.green() << 8 | chosen.blue() << 16);
    emit ColorChosen();
}
