#include "compose/ImageRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

int BytesPerPixel(const QImage &image)
{
    return image.depth() / 8;
}

// A new image of the given size in the source's format and colour table.
QImage ImageLike(const QImage &source, int width, int height)
{
    QImage image(std::max(width, 0), std::max(height, 0), source.isNull() ? QImage::Format_RGB32 : source.format());
    if (source.format() == QImage::Format_Indexed8)
        image.setColorTable(source.colorTable());
    return image;
}

int Trunc(double value)
{
    return static_cast<int>(value);
}

} // namespace

void ImageRotation(QImage &Print_Img, const QImage &source_IMG, double angle)
{
    const int W = source_IMG.width();
    const int H = source_IMG.height();
    const double cx = W / 2.0 + 0.5;
    const double cy = H / 2.0 + 0.5;
    const double R = std::sqrt(cx * cx + cy * cy);
    const double a = std::atan(cy / cx);
    const double hw = std::max(std::fabs(std::cos(angle - a)) * R + 0.5, std::fabs(std::cos(angle + a)) * R + 0.5);
    const double hh = std::max(std::fabs(std::sin(angle - a)) * R + 0.5, std::fabs(std::sin(angle + a)) * R + 0.5);

    QImage result = ImageLike(source_IMG, Trunc(2 * hw), Trunc(2 * hh));
    const int bpp = BytesPerPixel(source_IMG.isNull() ? result : source_IMG);
    if (bpp < 1) {
        Print_Img = result; // rows below 8 bits per pixel are never written
        return;
    }
    const int width = result.width();
    const qsizetype rowBytes = static_cast<qsizetype>(width) * bpp;
    std::vector<uchar> row(static_cast<size_t>(rowBytes));
    const double cosA = std::cos(angle);
    const double sinA = std::sin(angle);
    const int firstRow = Trunc(cy - hh);
    const int firstColumn = Trunc(cx - hw);

    for (int r = firstRow; r <= cy + hh; ++r) {
        std::fill(row.begin(), row.end(), uchar(0xFF));
        const double dy = r - cy;
        int k = 0;
        for (int c = firstColumn; c <= cx + hw; ++c, ++k) {
            const double dx = c - cx;
            const int sx = Trunc(dx * cosA + cx + dy * sinA + 0.5);
            const int sy = Trunc(cy - dx * sinA + dy * cosA + 0.5);
            if (k < width && sx >= 0 && sx < W && sy >= 0 && sy < H)
                std::memcpy(row.data() + static_cast<qsizetype>(k) * bpp, source_IMG.constScanLine(sy) + static_cast<qsizetype>(sx) * bpp, bpp);
        }
        const int target = r - firstRow;
        if (target < result.height())
            std::memcpy(result.scanLine(target), row.data(), rowBytes);
    }
    Print_Img = result;
}

void ImageScale(QImage &destination, const QImage &source, double factor)
{
    const int W = source.width();
    const int H = source.height();
    QImage result = ImageLike(source, Trunc(W * factor), Trunc(H * factor));
    const int bpp = BytesPerPixel(source);
    // Source byte offset of every destination column, computed once.
    std::vector<qsizetype> columnOffset(static_cast<size_t>(result.width()));
    for (int j = 0; j < result.width(); ++j)
        columnOffset[j] = static_cast<qsizetype>(std::min(Trunc(j / factor + 0.5), W - 1)) * bpp;

    for (int i = 0; i < result.height(); ++i) {
        const uchar *from = source.constScanLine(std::min(Trunc(i / factor + 0.5), H - 1));
        uchar *to = result.scanLine(i);
        for (const qsizetype offset : columnOffset) {
            std::memcpy(to, from + offset, bpp);
            to += bpp;
        }
    }
    destination = result;
}

bool CopyImage(const QImage &source, QImage &destination)
{
    if (source.isNull())
        return false;
    QImage::Format format = source.format();
    if (format == QImage::Format_RGB32)
        format = QImage::Format_ARGB32; // same bytes; the copy is flagged as having alpha
    QImage copy(source.size(), format);
    if (source.format() == QImage::Format_Indexed8)
        copy.setColorTable(source.colorTable());
    const qsizetype rowBytes = std::min(source.bytesPerLine(), copy.bytesPerLine());
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(copy.scanLine(y), source.constScanLine(y), rowBytes);
    destination = copy;
    return true;
}
