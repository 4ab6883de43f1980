#include "camera/ui/CameraButtonImages.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <map>

namespace {

constexpr qreal kScale = 2; // drawn at twice the size, sharp on dense screens

// A rounded plate with a soft top-to-bottom shading in the given colour.
void Plate(QPainter &painter, QRectF area, QColor colour)
{
    QLinearGradient shade(area.topLeft(), area.bottomLeft());
    shade.setColorAt(0, colour.lighter(135));
    shade.setColorAt(1, colour.darker(130));
    painter.setPen(QPen(colour.lighter(170), 1));
    painter.setBrush(shade);
    painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), area.height() / 6, area.height() / 6);
}

void Caption(QPainter &painter, QRectF area, const QString &text, int pixels)
{
    QFont font = painter.font();
    font.setPixelSize(pixels);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(area, Qt::AlignCenter, text);
}

void DrawStart(QPainter &painter, QSizeF size)
{
    Plate(painter, {{0, 0}, size}, QColor(0x1F, 0x8A, 0x3C));
    QPainterPath play;
    const qreal h = size.height();
    play.moveTo(h * 0.3, h * 0.33);
    play.lineTo(h * 0.3, h * 0.67);
    play.lineTo(h * 0.58, h * 0.5);
    play.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(play);
    Caption(painter, {h * 0.6, 0, size.width() - h * 0.7, h}, QStringLiteral("开始"), 20);
}

void DrawShoot(QPainter &painter, QSizeF size)
{
    Plate(painter, {{0, 0}, size}, QColor(0xC0, 0x39, 0x2B));
    const qreal w = size.width();
    const qreal h = size.height();
    // A camera body with its lens above the caption.
    const QRectF body(w * 0.3, h * 0.14, w * 0.4, h * 0.36);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(body, h * 0.04, h * 0.04);
    painter.drawRect(QRectF(w * 0.42, h * 0.09, w * 0.16, h * 0.07));
    painter.setBrush(QColor(0xC0, 0x39, 0x2B));
    painter.drawEllipse(body.center(), h * 0.12, h * 0.12);
    painter.setBrush(Qt::white);
    painter.drawEllipse(body.center(), h * 0.07, h * 0.07);
    Caption(painter, {0, h * 0.52, w, h * 0.42}, QStringLiteral("拍照"), 20);
}

void DrawMinimise(QPainter &painter, QSizeF size)
{
    Plate(painter, {{0, 0}, size}, QColor(0x55, 0x5B, 0x66));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(size.width() * 0.25, size.height() * 0.62, size.width() * 0.5, size.height() * 0.12));
}

void DrawEnd(QPainter &painter, QSizeF size)
{
    Plate(painter, {{0, 0}, size}, QColor(0xB0, 0x2A, 0x1E));
    const qreal side = size.height() * 0.46;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF((size.width() - side) / 2, (size.height() - side) / 2, side, side));
}

void DrawDisconnect(QPainter &painter, QSizeF size)
{
    Plate(painter, {{0, 0}, size}, QColor(0x55, 0x5B, 0x66));
    // Two halves of a plug, apart.
    const qreal w = size.width();
    const qreal h = size.height();
    painter.setPen(QPen(Qt::white, h * 0.1, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(w * 0.15, h * 0.5), QPointF(w * 0.38, h * 0.5));
    painter.drawLine(QPointF(w * 0.62, h * 0.5), QPointF(w * 0.85, h * 0.5));
    painter.drawLine(QPointF(w * 0.38, h * 0.3), QPointF(w * 0.38, h * 0.7));
    painter.drawLine(QPointF(w * 0.62, h * 0.3), QPointF(w * 0.62, h * 0.7));
}

QImage Draw(CameraButtonImage image)
{
    QSizeF size;
    void (*draw)(QPainter &, QSizeF) = nullptr;
    switch (image) {
    case CameraButtonImage::Start: size = {100, 70}; draw = DrawStart; break;
    case CameraButtonImage::Shoot: size = {100, 80}; draw = DrawShoot; break;
    case CameraButtonImage::Minimise: size = {30, 24}; draw = DrawMinimise; break;
    case CameraButtonImage::End: size = {30, 24}; draw = DrawEnd; break;
    case CameraButtonImage::Disconnect: size = {30, 24}; draw = DrawDisconnect; break;
    }
    QImage picture((size * kScale).toSize(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    picture.setDevicePixelRatio(kScale);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, size);
    return picture;
}

} // namespace

QPixmap CameraButtonPicture(CameraButtonImage image)
{
    // Kept as images: they may outlive the application object, pixmaps may not.
    static std::map<CameraButtonImage, QImage> drawn;
    auto it = drawn.find(image);
    if (it == drawn.end())
        it = drawn.emplace(image, Draw(image)).first;
    return QPixmap::fromImage(it->second);
}
