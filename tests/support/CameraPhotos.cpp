#include "tests/support/CameraPhotos.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>

QImage Quadrants(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    QPainter painter(&image);
    painter.fillRect(0, 0, w, h, Qt::red);
    painter.fillRect(w, 0, size.width() - w, h, Qt::green);
    painter.fillRect(0, h, w, size.height() - h, Qt::blue);
    painter.fillRect(w, h, size.width() - w, size.height() - h, Qt::yellow);
    return image;
}

QImage StoredFor(const QImage &upright, int orientation)
{
    const bool swapped = orientation >= 5;
    const QSize size = swapped ? upright.size().transposed() : upright.size();
    const int w = size.width();
    const int h = size.height();
    QImage stored(size, QImage::Format_RGB32);
    // Where upright pixel (x, y) is stored.
    for (int y = 0; y < upright.height(); ++y) {
        for (int x = 0; x < upright.width(); ++x) {
            QPoint at(x, y);
            switch (orientation) {
            case 2: at = {w - 1 - x, y}; break;
            case 3: at = {w - 1 - x, h - 1 - y}; break;
            case 4: at = {x, h - 1 - y}; break;
            case 5: at = {y, x}; break;
            case 6: at = {y, h - 1 - x}; break;
            case 7: at = {w - 1 - y, h - 1 - x}; break;
            case 8: at = {w - 1 - y, x}; break;
            default: break;
            }
            stored.setPixel(at, upright.pixel(x, y));
        }
    }
    return stored;
}

namespace {

QByteArray Encoded(const QImage &image, int quality, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

} // namespace

QByteArray JpegBytes(const QImage &image, int quality)
{
    return Encoded(image, quality, false);
}

QByteArray ProgressiveJpegBytes(const QImage &image, int quality)
{
    return Encoded(image, quality, true);
}

QByteArray CutWithEndMarker(const QByteArray &jpeg)
{
    const qsizetype scan = jpeg.lastIndexOf(QByteArray("\xFF\xDA", 2));
    return jpeg.left(scan + (jpeg.size() - scan) / 2) + QByteArray("\xFF\xD9", 2);
}

QByteArray DeclaringSize(QByteArray jpeg, int width, int height)
{
    const qsizetype frame = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    const char size[] = {char(height >> 8), char(height & 0xFF), char(width >> 8), char(width & 0xFF)};
    return frame < 0 ? QByteArray() : jpeg.replace(frame + 5, 4, QByteArray(size, 4));
}

QByteArray WithExifOrientation(const QByteArray &jpeg, int orientation)
{
    // "Exif\0\0", then a little-endian TIFF header and one directory entry:
    // tag 0x0112, type SHORT, one value.
    QByteArray exif("Exif\0\0II\x2a\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
    exif.append(char(orientation)).append(QByteArray(7, '\0'));
    QByteArray segment("\xff\xe1", 2);
    const int length = static_cast<int>(exif.size()) + 2;
    segment.append(char(length >> 8)).append(char(length & 0xff)).append(exif);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

bool RunTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
