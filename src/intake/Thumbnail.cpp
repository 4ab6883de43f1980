#include "Thumbnail.h"

#include <QImageReader>
#include <QPainter>

namespace {

// The largest 1/2^k decode of the photo that is still at least as big as the
// thumbnail, so the final shrink averages real pixels.
QSize ScaledDecodeSize(QSize photo, QSize thumbnail)
{
    QSize decode = photo;
    while (decode.width() / 2 >= thumbnail.width() && decode.height() / 2 >= thumbnail.height())
        decode = QSize((decode.width() + 1) / 2, (decode.height() + 1) / 2);
    return decode;
}

} // namespace

QImage MakeThumbnail(const QString &photoPath, QSize size)
{
    QImage thumbnail(size, QImage::Format_RGB32);
    thumbnail.fill(Qt::white);
    if (size.isEmpty())
        return thumbnail;

    QImageReader reader(photoPath);
    if (const QSize photo = reader.size(); photo.isValid())
        reader.setScaledSize(ScaledDecodeSize(photo, size));
    const QImage photo = reader.read();
    if (photo.isNull())
        return thumbnail;

    QPainter painter(&thumbnail);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(thumbnail.rect(), photo.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return thumbnail;
}

QSize ThumbnailSizeFor(int paperWidthMm, int paperHeightMm, int scale)
{
    return {paperWidthMm / 5 * scale, paperHeightMm / 5 * scale};
}
