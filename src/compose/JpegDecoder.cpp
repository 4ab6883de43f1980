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
    bool damaged = false;
    bool stopAtDamage = false;
};

[[noreturn]] void LeaveOnError(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

// The warnings that mean pixels were lost or made up: the data ended early
// (the decoder then fills the rest with grey, also when an end marker was
// appended or the file declares a larger size than it holds) or is corrupt.
// Extraneous bytes between segments, a bad colour profile or an unknown
// JFIF revision lose nothing.
bool MeansDamage(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

// Warnings are not printed; those that mean damage are noted, and end the
// decoding at once where a damaged picture is of no use.
void NoteWarning(j_common_ptr cinfo, int level)
{
    auto *errors = reinterpret_cast<ErrorManager *>(cinfo->err);
    if (level >= 0 || !MeansDamage(errors->base.msg_code))
        return;
    errors->damaged = true;
    if (errors->stopAtDamage)
        std::longjmp(errors->jump, 1);
}

// What libjpeg may hold for one picture (a progressive photo keeps all its
// coefficients, two bytes a sample): enough for 300 MP, and a file that
// declares a giant size fails instead of taking the machine's memory.
constexpr long DecoderMemory = 1024L * 1024 * 1024;

// One decompression of one file, released on every way out.
struct Decompression
{
    Decompression(const std::filesystem::path &path, JpegDamage onDamage)
        : file(std::fopen(path.c_str(), "rb"))
    {
        cinfo.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = LeaveOnError;
        errors.base.emit_message = NoteWarning;
        errors.stopAtDamage = onDamage == JpegDamage::Refuse;
        jpeg_create_decompress(&cinfo);
        cinfo.mem->max_memory_to_use = DecoderMemory;
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

// A progressive picture has read all its scans by the time it starts: true
// when each coefficient of each component arrived to its last bit. A file
// cut between two scans, with an end marker appended, ends without a
// warning but with coefficients missing.
bool AllCoefficientsSent(const jpeg_decompress_struct &cinfo)
{
    if (!cinfo.coef_bits)
        return true;
    for (int c = 0; c < cinfo.num_components; ++c) {
        for (int k = 0; k < DCTSIZE2; ++k) {
            if (cinfo.coef_bits[c][k] != 0)
                return false;
        }
    }
    return true;
}

void NoteMissingScans(Decompression &d)
{
    d.errors.damaged = true;
    if (d.errors.stopAtDamage)
        std::longjmp(d.errors.jump, 1);
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
    if (cinfo.progressive_mode && !AllCoefficientsSent(cinfo))
        NoteMissingScans(d);

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
    Decompression d(path, JpegDamage::Note);
    if (!ReadHeader(d))
        return std::nullopt;
    return JpegHeader{QSize(static_cast<int>(d.cinfo.image_width), static_cast<int>(d.cinfo.image_height)),
                      OrientationOf(d.cinfo)};
}

std::optional<JpegPicture> DecodeJpeg(const std::filesystem::path &path, int reduction, QRect region)
{
    JpegRowReader reader(path, JpegDamage::Note);
    return DecodeJpeg(reader, reduction, region);
}

std::optional<JpegPicture> DecodeJpeg(JpegRowReader &reader, int reduction, QRect region)
{
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
    State(const std::filesystem::path &path, JpegDamage onDamage)
        : d(path, onDamage)
    {
    }
    Decompression d;
    bool open = false;
    bool started = false;
    bool failed = false;
    QRect decoded;
};

JpegRowReader::JpegRowReader(const std::filesystem::path &path, JpegDamage onDamage)
    : m_state(std::make_unique<State>(path, onDamage))
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

JpegHeader JpegRowReader::Header() const
{
    return {StoredSize(), Orientation()};
}

bool JpegRowReader::Start(int reduction, QRect stored)
{
    m_state->started = true;
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

bool JpegRowReader::Started() const
{
    return m_state->started;
}

bool JpegRowReader::Whole() const
{
    return IsOpen() && !m_state->d.errors.damaged;
}

bool JpegRowReader::Damaged() const
{
    return m_state->d.errors.damaged;
}

bool JpegIsWhole(const std::filesystem::path &path)
{
    JpegRowReader reader(path, JpegDamage::Refuse);
    const std::optional<JpegPicture> token = DecodeJpeg(reader, 8, QRect(0, 0, 1, 1));
    return token && token->complete;
}
