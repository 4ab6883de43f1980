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
    return {paperWidthMm / 5 * scale, paperHeightMm / 5 * scale};
}
