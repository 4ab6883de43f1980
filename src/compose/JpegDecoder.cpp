#include "compose/JpegDecoder.h"

#include "compose/ExifOrientation.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <csetjmp>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr int MarkerApp1 = JPEG_APP0 + 1;
constexpr int RowsPerRead = 16;

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool cutShort = false;
};

[[noreturn]] void LeaveOnError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

// Warnings are not printed; the one that matters is the data ending early.
void NoteWarning(j_common_ptr cinfo, int level)
{
    auto *errors = reinterpret_cast<ErrorManager *>(cinfo->err);
    if (level < 0 && errors->base.msg_code == JWRN_JPEG_EOF)
        errors->cutShort = true;
}

// One decompression of one file, released on every way out.
struct Decompression
{
    explicit Decompression(const std::filesystem::path &path)
        : file(std::fopen(path.c_str(), "rb"))
    {
        cinfo.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = LeaveOnError;
        errors.base.emit_message = NoteWarning;
        jpeg_create_decompress(&cinfo);
    }
    ~Decompression()
    {
        jpeg_destroy_decompress(&cinfo);
        if (file)
            std::fclose(file);
    }
    Decompression(const Decompression &) = delete;
    Decompression &operator=(const Decompression &) = delete;

    std::FILE *file;
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    // Buffers live here, not on a stack that an error jumps over.
    std::vector<JSAMPLE> cmykRows;
    QImage lastRow;
};

int OrientationOf(const jpeg_decompress_struct &cinfo)
{
    for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker; marker = marker->next) {
        static constexpr JOCTET ExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker->marker == MarkerApp1 && marker->data_length > sizeof ExifHeader
            && std::equal(std::begin(ExifHeader), std::end(ExifHeader), marker->data))
            return OrientationInExif(marker->data + sizeof ExifHeader, marker->data_length - sizeof ExifHeader);
    }
    return 1;
}

// Reads the header; false (after a jump back here) when the file is no JPEG.
bool ReadHeader(Decompression &d)
{
    if (!d.file || setjmp(d.errors.jump))
        return false;
    jpeg_stdio_src(&d.cinfo, d.file);
    jpeg_save_markers(&d.cinfo, MarkerApp1, 0xFFFF);
    return jpeg_read_header(&d.cinfo, TRUE) == JPEG_HEADER_OK;
}

bool IsCmyk(const jpeg_decompress_struct &cinfo)
{
    return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

// Adobe's programs store CMYK inverted (and say so with their marker); others plain.
void CmykToRgb32(const JSAMPLE *cmyk, QRgb *rgb, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, cmyk += 4) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        rgb[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
    }
}

// The scanlines from the current one on, `rows` of them, each into the
// 32-bit row `rowAt(i)`.
template<typename RowAt>
void ReadRows(Decompression &d, int rows, RowAt rowAt)
{
    jpeg_decompress_struct &cinfo = d.cinfo;
    const bool cmyk = cinfo.out_color_space == JCS_CMYK;
    std::vector<JSAMPLE> &cmykRows = d.cmykRows;
    cmykRows.resize(cmyk ? std::size_t(cinfo.output_width) * 4 * RowsPerRead : 0);
    JSAMPROW pointers[RowsPerRead];
    int done = 0;
    while (done < rows) {
        const int batch = std::min(RowsPerRead, rows - done);
        for (int i = 0; i < batch; ++i)
            pointers[i] = cmyk ? cmykRows.data() + std::size_t(i) * cinfo.output_width * 4 : rowAt(done + i);
        const int read = static_cast<int>(jpeg_read_scanlines(&cinfo, pointers, batch));
        if (read <= 0)
            break;
        if (cmyk) {
            for (int i = 0; i < read; ++i)
                CmykToRgb32(pointers[i], reinterpret_cast<QRgb *>(rowAt(done + i)), static_cast<int>(cinfo.output_width),
                            cinfo.saw_Adobe_marker);
        }
        done += read;
    }
}

// Starts decoding at 1/`reduction`, keeping the stored rectangle `wanted`
// (at that scale, widened to whole blocks: `decoded`); false after a jump
// back here on a decoding error.
bool StartStored(Decompression &d, int reduction, QRect wanted, QRect &decoded)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_decompress_struct &cinfo = d.cinfo;
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(reduction);
    cinfo.out_color_space = IsCmyk(cinfo) ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);

    const QRect whole(0, 0, static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
    wanted = wanted.isEmpty() ? whole : wanted.intersected(whole);
    if (wanted.isEmpty())
        wanted = QRect(0, 0, 1, 1);
    JDIMENSION left = static_cast<JDIMENSION>(wanted.left());
    JDIMENSION width = static_cast<JDIMENSION>(wanted.width());
    if (wanted.width() < whole.width())
        jpeg_crop_scanline(&cinfo, &left, &width); // widened to whole blocks
    decoded = QRect(static_cast<int>(left), wanted.top(), static_cast<int>(width), wanted.height());
    if (decoded.top() > 0)
        jpeg_skip_scanlines(&cinfo, static_cast<JDIMENSION>(decoded.top()));
    return true;
}

bool ReadStored(Decompression &d, uchar *const *rows, int count)
{
    if (setjmp(d.errors.jump))
        return false;
    ReadRows(d, count, [rows](int i) { return rows[i]; });
    return true;
}

// Reads the rest of the data: only then is it known to be whole. (A skip
// that reaches the bottom would take the end as read, so the last row is
// decoded.) False after a jump back here on a decoding error.
bool FinishStored(Decompression &d)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_decompress_struct &cinfo = d.cinfo;
    if (cinfo.output_scanline < cinfo.output_height) {
        if (cinfo.output_height - cinfo.output_scanline > 1)
            jpeg_skip_scanlines(&cinfo, cinfo.output_height - cinfo.output_scanline - 1);
        d.lastRow = QImage(static_cast<int>(cinfo.output_width), 1, QImage::Format_RGB32);
        ReadRows(d, 1, [&d](int) { return d.lastRow.scanLine(0); });
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

// The inverse of StoredRect: where a stored rectangle shows once upright.
QRect UprightRect(QRect stored, QSize storedSize, int orientation)
{
    const int inverse = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
    return StoredRect(stored, UprightSize(storedSize, orientation), inverse);
}

QSize ReducedStoredSize(QSize stored, int reduction)
{
    return {(stored.width() + reduction - 1) / reduction, (stored.height() + reduction - 1) / reduction};
}

} // namespace

QSize JpegHeader::Upright() const
{
    return UprightSize(stored, orientation);
}

QSize ReducedUprightSize(const JpegHeader &header, int reduction)
{
    return UprightSize(ReducedStoredSize(header.stored, reduction), header.orientation);
}

std::optional<JpegHeader> ReadJpegHeader(const std::filesystem::path &path)
{
    Decompression d(path);
    if (!ReadHeader(d))
        return std::nullopt;
    return JpegHeader{QSize(static_cast<int>(d.cinfo.image_width), static_cast<int>(d.cinfo.image_height)),
                      OrientationOf(d.cinfo)};
}

std::optional<JpegPicture> DecodeJpeg(const std::filesystem::path &path, int reduction, QRect region)
{
    JpegRowReader reader(path);
    if (!reader.IsOpen())
        return std::nullopt;
    const int orientation = reader.Orientation();
    const QSize stored = ReducedStoredSize(reader.StoredSize(), reduction);
    if (!reader.Start(reduction, region.isEmpty() ? QRect() : StoredRect(region, stored, orientation)))
        return std::nullopt;
    const QRect decoded = reader.Decoded();
    JpegPicture picture;
    picture.pixels = QImage(UprightSize(decoded.size(), orientation), QImage::Format_RGB32);
    if (picture.pixels.isNull())
        return std::nullopt;
    if (orientation == 1) {
        std::vector<uchar *> rows(static_cast<std::size_t>(decoded.height()));
        for (int y = 0; y < decoded.height(); ++y)
            rows[static_cast<std::size_t>(y)] = picture.pixels.scanLine(y);
        if (!reader.Read(rows.data(), decoded.height()))
            return std::nullopt;
    } else {
        // Turned upright a band of rows at a time.
        QImage band(decoded.width(), RowsPerRead, QImage::Format_RGB32);
        uchar *rows[RowsPerRead];
        for (int y = 0; y < RowsPerRead; ++y)
            rows[y] = band.scanLine(y);
        for (int first = 0; first < decoded.height(); first += RowsPerRead) {
            const int count = std::min(RowsPerRead, decoded.height() - first);
            if (!reader.Read(rows, count))
                return std::nullopt;
            PlaceStoredRows(band.constBits(), band.bytesPerLine(), first, count, decoded.size(), orientation,
                            picture.pixels);
        }
    }
    if (!reader.Finish())
        return std::nullopt;
    picture.region = UprightRect(decoded, stored, orientation);
    picture.reduction = reduction;
    picture.complete = reader.Whole();
    return picture;
}

struct JpegRowReader::State
{
    explicit State(const std::filesystem::path &path)
        : d(path)
    {
    }
    Decompression d;
    bool open = false;
    bool failed = false;
    QRect decoded;
};

JpegRowReader::JpegRowReader(const std::filesystem::path &path)
    : m_state(std::make_unique<State>(path))
{
    m_state->open = ReadHeader(m_state->d);
}

JpegRowReader::~JpegRowReader() = default;

bool JpegRowReader::IsOpen() const
{
    return m_state->open && !m_state->failed;
}

QSize JpegRowReader::StoredSize() const
{
    return {static_cast<int>(m_state->d.cinfo.image_width), static_cast<int>(m_state->d.cinfo.image_height)};
}

int JpegRowReader::Orientation() const
{
    return OrientationOf(m_state->d.cinfo);
}

bool JpegRowReader::Start(int reduction, QRect stored)
{
    if (!IsOpen() || !StartStored(m_state->d, reduction, stored, m_state->decoded))
        m_state->failed = true;
    return IsOpen();
}

QRect JpegRowReader::Decoded() const
{
    return m_state->decoded;
}

bool JpegRowReader::Read(uchar *const *rows, int count)
{
    if (!IsOpen() || !ReadStored(m_state->d, rows, count))
        m_state->failed = true;
    return IsOpen();
}

bool JpegRowReader::Finish()
{
    if (!IsOpen() || !FinishStored(m_state->d))
        m_state->failed = true;
    return IsOpen();
}

bool JpegRowReader::Whole() const
{
    return IsOpen() && !m_state->d.errors.cutShort;
}

bool JpegIsWhole(const std::filesystem::path &path)
{
    const std::optional<JpegPicture> token = DecodeJpeg(path, 8, QRect(0, 0, 1, 1));
    return token && token->complete;
}

namespace {

// The bytes of a file front to back through a small buffer.
class ByteReader final
{
public:
    explicit ByteReader(const std::filesystem::path &path)
        : m_file(std::fopen(path.c_str(), "rb"))
        , m_buffer(64 * 1024)
    {
    }
    ~ByteReader()
    {
        if (m_file)
            std::fclose(m_file);
    }
    ByteReader(const ByteReader &) = delete;
    ByteReader &operator=(const ByteReader &) = delete;

    bool Next(unsigned char &byte)
    {
        if (m_at == m_end && !Fill())
            return false;
        byte = m_buffer[m_at++];
        return true;
    }
    // Moves to the next 0xFF byte and past it.
    bool PastNextFF()
    {
        for (;;) {
            if (m_at == m_end && !Fill())
                return false;
            const void *found = std::memchr(m_buffer.data() + m_at, 0xFF, m_end - m_at);
            if (found) {
                m_at = static_cast<std::size_t>(static_cast<const unsigned char *>(found) - m_buffer.data()) + 1;
                return true;
            }
            m_at = m_end;
        }
    }
    bool Skip(std::size_t count)
    {
        const std::size_t here = std::min(count, m_end - m_at);
        m_at += here;
        return here == count || (m_file && std::fseek(m_file, static_cast<long>(count - here), SEEK_CUR) == 0);
    }

private:
    bool Fill()
    {
        m_at = 0;
        m_end = m_file ? std::fread(m_buffer.data(), 1, m_buffer.size(), m_file) : 0;
        return m_end > 0;
    }

    std::FILE *m_file;
    std::vector<unsigned char> m_buffer;
    std::size_t m_at = 0;
    std::size_t m_end = 0;
};

} // namespace

bool JpegMarkersReachEnd(const std::filesystem::path &path)
{
    ByteReader bytes(path);
    unsigned char byte = 0;
    if (!bytes.Next(byte) || byte != 0xFF || !bytes.Next(byte) || byte != 0xD8)
        return false;
    // Segments are skipped by their length, scan data up to the next marker;
    // anything else between markers is passed over as the decoder does.
    for (;;) {
        if (!bytes.PastNextFF())
            return false;
        do {
            if (!bytes.Next(byte))
                return false;
        } while (byte == 0xFF);
        if (byte == 0xD9)
            return true;
        if (byte == 0x00 || byte == 0x01 || (byte >= 0xD0 && byte <= 0xD7))
            continue; // a stuffed byte or a restart inside scan data
        unsigned char high = 0, low = 0;
        if (!bytes.Next(high) || !bytes.Next(low))
            return false;
        const std::size_t length = (std::size_t(high) << 8) | low;
        if (length < 2 || !bytes.Skip(length - 2))
            return false;
    }
}
