#include "compose/TemplateRows.h"

#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <mutex>
#include <thread>

#include <png.h>

struct TemplateRows::State
{
    ~State()
    {
        if (png)
            png_destroy_read_struct(&png, &info, nullptr);
        if (file)
            std::fclose(file);
    }

    std::FILE *file = nullptr;
    QImage image; // keeps the rows' memory while they are read, whoever else holds the image
    png_structp png = nullptr;
    png_infop info = nullptr;
    uchar *bits = nullptr;
    qsizetype bytesPerLine = 0;
    int height = 0;

    std::mutex mutex;
    std::condition_variable changed;
    int ready = 0;
    bool failed = false;
    bool stop = false;
    std::thread reader;
};

namespace {

void Premultiply(QRgb *row, int width)
{
    for (int x = 0; x < width; ++x) {
        const uint a = qAlpha(row[x]);
        if (a != 255)
            row[x] = a == 0 ? 0 : qRgba(qRed(row[x]) * a / 255, qGreen(row[x]) * a / 255, qBlue(row[x]) * a / 255, a);
    }
}

// Reads the rows, publishing each; false after a jump back here on an error.
bool ReadRows(TemplateRows::State &s, int width)
{
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    for (int y = 0; y < s.height; ++y) {
        {
            const std::lock_guard lock(s.mutex);
            if (s.stop)
                return false;
        }
        png_bytep row = s.bits + s.bytesPerLine * y;
        png_read_row(s.png, row, nullptr);
        Premultiply(reinterpret_cast<QRgb *>(row), width); // as PremultiplyTemplate does
        const std::lock_guard lock(s.mutex);
        s.ready = y + 1;
        s.changed.notify_all();
    }
    return true;
}

// Opens the PNG and sets it up to give BGRA rows; false when it is not one
// that can be read row by row.
bool ReadHeader(TemplateRows::State &s, const std::filesystem::path &path, QSize &size)
{
    s.file = std::fopen(path.c_str(), "rb");
    png_byte signature[8] = {};
    if (!s.file || std::fread(signature, 1, 8, s.file) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return false;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    s.info = s.png ? png_create_info_struct(s.png) : nullptr;
    if (!s.info || setjmp(png_jmpbuf(s.png)))
        return false;
    png_init_io(s.png, s.file);
    png_set_sig_bytes(s.png, 8);
    png_read_info(s.png, s.info);
    if (png_get_color_type(s.png, s.info) != PNG_COLOR_TYPE_RGB_ALPHA || png_get_bit_depth(s.png, s.info) != 8
        || png_get_interlace_type(s.png, s.info) != PNG_INTERLACE_NONE)
        return false;
    png_set_bgr(s.png); // QImage's 32-bit ARGB in memory on this little-endian machine
    png_read_update_info(s.png, s.info);
    size = QSize(static_cast<int>(png_get_image_width(s.png, s.info)), static_cast<int>(png_get_image_height(s.png, s.info)));
    return !size.isEmpty();
}

} // namespace

TemplateRows::TemplateRows(std::unique_ptr<State> state)
    : m_state(std::move(state))
{
}

TemplateRows::~TemplateRows()
{
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->stop = true;
    }
    if (m_state->reader.joinable())
        m_state->reader.join();
}

int TemplateRows::WaitRows(int count)
{
    State &s = *m_state;
    std::unique_lock lock(s.mutex);
    s.changed.wait(lock, [&] { return s.ready >= std::min(count, s.height) || s.failed; });
    return s.failed ? -1 : s.ready;
}

bool TemplateRows::WaitAll()
{
    return WaitRows(m_state->height) >= 0;
}

std::unique_ptr<TemplateRows> StartTemplateRows(const std::filesystem::path &path, QImage &image)
{
    auto state = std::make_unique<TemplateRows::State>();
    QSize size;
    if (!ReadHeader(*state, path, size))
        return nullptr;
    QImage rows(size, QImage::Format_ARGB32_Premultiplied);
    if (rows.isNull())
        return nullptr;
    image = std::move(rows);
    TemplateRows::State &s = *state;
    s.bits = image.bits();
    s.image = image;
    s.bytesPerLine = image.bytesPerLine();
    s.height = size.height();
    s.reader = std::thread([&s, width = size.width()] {
        const bool whole = ReadRows(s, width);
        const std::lock_guard lock(s.mutex);
        s.failed = !whole;
        s.changed.notify_all();
    });
    return std::make_unique<TemplateRows>(std::move(state));
}
