#include "intake/Thumbnail.h"

#include "compose/ImageFiles.h"

#include <QImageReader>
#include <QPainter>

QImage MakeThumbnail(const QString &photoPath, QSize size)
{
    QImage thumbnail(size, QImage::Format_RGB32);
    thumbnail.fill(Qt::white);
    if (size.isEmpty())
        return thumbnail;

    QImageReader reader(photoPath);
    const QSize stored = reader.size();
    if (stored.isValid() && reader.format() == "jpeg") {
        if (const int reduction = JpegDecodeReduction(stored, size); reduction > 1)
            reader.setScaledSize(stored / reduction);
    }
    const QImage photo = reader.read();
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
