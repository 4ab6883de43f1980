#include "intake/Thumbnail.h"

#include "compose/ImageFiles.h"

#include <QPainter>

QImage MakeThumbnail(const QString &photoPath, QSize size)
{
    QImage thumbnail(size, QImage::Format_RGB32);
    thumbnail.fill(Qt::white);
    if (size.isEmpty())
        return thumbnail;

    const QImage photo = LoadPhoto(photoPath.toStdString(), size);
    if (photo.isNull())
        return thumbnail;

    QPainter painter(&thumbnail);
    painter.drawImage(0, 0, StretchImage(photo, size));
    return thumbnail;
}

QSize ThumbnailSizeFor(int paperWidthMm, int paperHeightMm, int scale)
{
    const QSize size(paperWidthMm / 5 * scale, paperHeightMm / 5 * scale);
    const QSize largest = LargestThumbnail();
    if (size.width() <= largest.width() && size.height() <= largest.height())
        return size;
    return size.scaled(largest, Qt::KeepAspectRatio);
}

QSize LargestThumbnail()
{
    return {240, 160};
}
