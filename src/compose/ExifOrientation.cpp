#include "compose/ExifOrientation.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

namespace {

constexpr int OrientationTag = 0x0112;
constexpr int ShortType = 3;

struct TiffReader
{
    const unsigned char *data;
    std::size_t size;
    bool bigEndian;

    bool Has(std::size_t at, std::size_t length) const { return at <= size && length <= size - at; }
    unsigned U16(std::size_t at) const
    {
        return bigEndian ? (data[at] << 8) | data[at + 1] : data[at] | (data[at + 1] << 8);
    }
    std::uint32_t U32(std::size_t at) const
    {
        return bigEndian ? (std::uint32_t(U16(at)) << 16) | U16(at + 2) : U16(at) | (std::uint32_t(U16(at + 2)) << 16);
    }
};

// The APP1 segments of a JPEG up to its first scan hold the EXIF block.
std::vector<unsigned char> ExifBlock(std::ifstream &file)
{
    std::array<unsigned char, 4> marker{};
    if (!file.read(reinterpret_cast<char *>(marker.data()), 2) || marker[0] != 0xFF || marker[1] != 0xD8)
        return {};
    while (file.read(reinterpret_cast<char *>(marker.data()), 4)) {
        if (marker[0] != 0xFF)
            return {};
        const unsigned type = marker[1];
        const std::size_t length = (marker[2] << 8) | marker[3];
        if (type == 0xDA || type == 0xD9 || length < 2)
            return {};
        std::vector<unsigned char> payload(length - 2);
        if (!file.read(reinterpret_cast<char *>(payload.data()), static_cast<std::streamsize>(payload.size())))
            return {};
        static constexpr unsigned char ExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
        if (type == 0xE1 && payload.size() > sizeof ExifHeader
            && std::equal(std::begin(ExifHeader), std::end(ExifHeader), payload.begin()))
            return {payload.begin() + sizeof ExifHeader, payload.end()};
    }
    return {};
}

} // namespace

int OrientationInExif(const unsigned char *tiff, std::size_t size)
{
    if (size < 8 || tiff[0] != tiff[1] || (tiff[0] != 'I' && tiff[0] != 'M'))
        return 1;
    const TiffReader reader{tiff, size, tiff[0] == 'M'};
    const std::size_t directory = reader.U32(4);
    if (!reader.Has(directory, 2))
        return 1;
    const unsigned entries = reader.U16(directory);
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + 12 * std::size_t(i);
        if (!reader.Has(entry, 12))
            return 1;
        if (reader.U16(entry) == OrientationTag && reader.U16(entry + 2) == ShortType) {
            const unsigned value = reader.U16(entry + 8);
            return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}

int ExifOrientation(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> exif = ExifBlock(file);
    return OrientationInExif(exif.data(), exif.size());
}

bool OrientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

QSize UprightSize(QSize stored, int orientation)
{
    return OrientationSwapsSides(orientation) ? stored.transposed() : stored;
}

QRect StoredRect(QRect upright, QSize stored, int orientation)
{
    // Where an upright column x and row y come from in the stored picture.
    const int w = stored.width();
    const int h = stored.height();
    const int left = upright.left(), right = upright.left() + upright.width();
    const int top = upright.top(), bottom = upright.top() + upright.height();
    switch (orientation) {
    case 2: return QRect(QPoint(w - right, top), QPoint(w - left - 1, bottom - 1));
    case 3: return QRect(QPoint(w - right, h - bottom), QPoint(w - left - 1, h - top - 1));
    case 4: return QRect(QPoint(left, h - bottom), QPoint(right - 1, h - top - 1));
    case 5: return QRect(QPoint(top, left), QPoint(bottom - 1, right - 1));
    case 6: return QRect(QPoint(top, h - right), QPoint(bottom - 1, h - left - 1));
    case 7: return QRect(QPoint(w - bottom, h - right), QPoint(w - top - 1, h - left - 1));
    case 8: return QRect(QPoint(w - bottom, left), QPoint(w - top - 1, right - 1));
    default: return upright;
    }
}

void PlaceStoredRows(const uchar *rows, qsizetype rowBytes, int first, int count, QSize stored, int orientation,
                     QImage &upright)
{
    const int w = stored.width();
    const int h = stored.height();
    uchar *const bits = upright.bits();
    const qsizetype uprightRowBytes = upright.bytesPerLine();
    for (int i = 0; i < count; ++i) {
        const int sy = first + i;
        const auto *from = reinterpret_cast<const QRgb *>(rows + rowBytes * i);
        for (int sx = 0; sx < w; ++sx) {
            // Where stored pixel (sx, sy) shows upright.
            int x = sx, y = sy;
            switch (orientation) {
            case 2: x = w - 1 - sx; break;
            case 3: x = w - 1 - sx; y = h - 1 - sy; break;
            case 4: y = h - 1 - sy; break;
            case 5: x = sy; y = sx; break;
            case 6: x = h - 1 - sy; y = sx; break;
            case 7: x = h - 1 - sy; y = w - 1 - sx; break;
            case 8: x = sy; y = w - 1 - sx; break;
            default: break;
            }
            reinterpret_cast<QRgb *>(bits + uprightRowBytes * y)[x] = from[sx];
        }
    }
}
