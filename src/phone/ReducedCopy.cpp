#include "phone/ReducedCopy.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QString>

QByteArray ReducedCopy(const std::filesystem::path &photo, int longestSide)
{
    QImageReader reader(QString::fromStdString(photo.string()));
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // The decoder scales while it reads, which is much faster than scaling afterwards.
    if (size.isValid() && (size.width() > longestSide || size.height() > longestSide))
        reader.setScaledSize(size.scaled(longestSide, longestSide, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 80))
        return {};
    return bytes;
}
