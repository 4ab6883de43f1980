#include "compose/ImageFiles.h"

#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

QString PathText(const std::filesystem::path &path)
{
    return QString::fromStdString(path.string());
}

bool SaveJpeg(const std::filesystem::path &path, int quality, const QImage &image)
{
    QSaveFile file(PathText(path));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QImage LoadFrameTemplate(const std::filesystem::path &path)
{
    QImage image(PathText(path));
    if (image.hasAlphaChannel() && image.format() != QImage::Format_ARGB32)
        image.convertTo(QImage::Format_ARGB32);
    return image;
}

QImage StretchImage(const QImage &image, QSize size)
{
    if (image.size() == size)
        return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

int JpegDecodeReduction(QSize stored, QSize minimum)
{
    for (const int reduction : {8, 4, 2}) {
        if (stored.width() % reduction == 0 && stored.height() % reduction == 0
            && stored.width() / reduction >= minimum.width() && stored.height() / reduction >= minimum.height())
            return reduction;
    }
    return 1;
}
