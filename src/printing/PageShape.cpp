#include "printing/PageShape.h"

#include <cmath>

QSizeF PrintableArea(const PrinterDevice &device, QSizeF fallbackMillimetres)
{
    QSizeF area = device.paperSize.shrunkBy(device.paperMargins);
    if (area.width() < 1 || area.height() < 1) {
        const QSizeF crosswise = fallbackMillimetres.transposed();
        return crosswise.width() >= 1 && crosswise.height() >= 1 ? crosswise : QSizeF();
    }
    const bool landscape = device.orientation == 2;
    if (landscape != (area.width() > area.height()))
        area.transpose();
    return area;
}

bool TurnsForPage(QSize photo, const PrinterDevice &device)
{
    return device.orientation != 2 && photo.width() > photo.height();
}

QSize StretchedSize(QSize photo, QSizeF area)
{
    if (area.isEmpty() || photo.isEmpty())
        return photo;
    const double ratio = area.width() / area.height();
    const double photoRatio = static_cast<double>(photo.width()) / photo.height();
    if (photoRatio > ratio) {
        const int height = static_cast<int>(std::lround(photo.width() / ratio));
        return std::abs(height - photo.height()) <= 1 ? photo : QSize(photo.width(), height);
    }
    const int width = static_cast<int>(std::lround(photo.height() * ratio));
    return std::abs(width - photo.width()) <= 1 ? photo : QSize(width, photo.height());
}
