#include "compose/JpegEncoder.h"

#include <csetjmp>
#include <cstdio>
#include <system_error>

#include <jpeglib.h>
#include <unistd.h>

namespace {

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void LeaveOnError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

} // namespace

struct JpegRowWriter::State
{
    std::filesystem::path path;
    std::filesystem::path temporary;
    std::FILE *file = nullptr;
    jpeg_compress_struct cinfo{};
    ErrorManager errors{};
    bool started = false;
    bool failed = false;
    bool committed = false;
};

JpegRowWriter::JpegRowWriter(const std::filesystem::path &path, QSize size, int quality)
    : m_state(std::make_unique<State>())
{
    State &s = *m_state;
    s.path = path;
    s.temporary = path;
    s.temporary += ".writing";
    s.file = std::fopen(s.temporary.c_str(), "wb");
    s.cinfo.err = jpeg_std_error(&s.errors.base);
    s.errors.base.error_exit = LeaveOnError;
    jpeg_create_compress(&s.cinfo);
    if (!s.file || size.isEmpty()) {
        s.failed = true;
        return;
    }
    if (setjmp(s.errors.jump)) {
        s.failed = true;
        return;
    }
    jpeg_stdio_dest(&s.cinfo, s.file);
    s.cinfo.image_width = static_cast<JDIMENSION>(size.width());
    s.cinfo.image_height = static_cast<JDIMENSION>(size.height());
    s.cinfo.input_components = 4;
    s.cinfo.in_color_space = JCS_EXT_BGRX; // QImage's 32-bit RGB in memory on this little-endian machine
    jpeg_set_defaults(&s.cinfo);
    jpeg_set_quality(&s.cinfo, quality, TRUE);
    jpeg_start_compress(&s.cinfo, TRUE);
    s.started = true;
}

JpegRowWriter::~JpegRowWriter()
{
    State &s = *m_state;
    jpeg_destroy_compress(&s.cinfo);
    if (s.file)
        std::fclose(s.file);
    if (!s.committed) {
        std::error_code ignored;
        std::filesystem::remove(s.temporary, ignored);
    }
}

bool JpegRowWriter::IsOpen() const
{
    return m_state->started && !m_state->failed;
}

bool JpegRowWriter::Write(const QImage &image, int first, int count)
{
    State &s = *m_state;
    if (!IsOpen() || image.depth() != 32 || image.width() != static_cast<int>(s.cinfo.image_width))
        return s.failed = true, false;
    if (setjmp(s.errors.jump))
        return s.failed = true, false;
    for (int y = first; y < first + count; ++y) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(y));
        jpeg_write_scanlines(&s.cinfo, &row, 1);
    }
    return true;
}

bool JpegRowWriter::Commit()
{
    State &s = *m_state;
    if (!IsOpen() || s.cinfo.next_scanline != s.cinfo.image_height)
        return false;
    if (setjmp(s.errors.jump))
        return s.failed = true, false;
    jpeg_finish_compress(&s.cinfo);
    // The file is whole on disk before it takes its name.
    const bool written = std::fflush(s.file) == 0 && ::fsync(fileno(s.file)) == 0;
    std::fclose(s.file);
    s.file = nullptr;
    std::error_code error;
    if (written)
        std::filesystem::rename(s.temporary, s.path, error);
    s.committed = written && !error;
    return s.committed;
}
