#include "compose/ImageFiles.h"

#include "compose/JpegDecoder.h"
#include "compose/JpegEncoder.h"

#include <QImageReader>

#include <mutex>

QString ImageFileFilter()
{
    return QStringLiteral("图片文件 (*.jpeg *.jpg *.png *.JPEG *.JPG *.PNG);;所有文件 (*)");
}

QString PathText(const std::filesystem::path &path)
{
    return QString::fromStdString(path.string());
}

bool SaveJpeg(const std::filesystem::path &path, int quality, const QImage &image)
{
    const bool rows32 = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage rows = rows32 ? image : image.convertToFormat(QImage::Format_RGB32);
    JpegRowWriter writer(path, rows.size(), quality);
    return writer.Write(rows, 0, rows.height()) && writer.Commit();
}

void AllowLargeImages()
{
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(0); });
}

QImage LoadPhoto(const std::filesystem::path &path, QSize atLeast)
{
    // One opening of a JPEG gives its header and its pixels.
    JpegRowReader jpeg(path, JpegDamage::Note);
    if (jpeg.IsOpen()) {
        const int reduction = atLeast.isEmpty() ? 1 : JpegDecodeReduction(jpeg.Header().Upright(), atLeast);
        std::optional<JpegPicture> picture = DecodeJpeg(jpeg, reduction);
        return picture ? std::move(picture->pixels) : QImage();
    }
    AllowLargeImages();
    QImageReader reader(PathText(path));
    reader.setAutoTransform(true);
    return reader.read();
}

QSize PhotoSize(const std::filesystem::path &path)
{
    if (const std::optional<JpegHeader> header = ReadJpegHeader(path))
        return header->Upright();
    AllowLargeImages();
    QImageReader reader(PathText(path));
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    return reader.transformation() & QImageIOHandler::TransformationRotate90 ? size.transposed() : size;
}

QImage LoadFrameTemplate(const std::filesystem::path &path)
{
    AllowLargeImages();
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
        if (stored.width() / reduction >= minimum.width() && stored.height() / reduction >= minimum.height())
            return reduction;
    }
    return 1;
}
