#include "compose/StreamedComposition.h"

#include "compose/JpegDecoder.h"
#include "compose/JpegEncoder.h"
#include "compose/TemplateRows.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int BandRows = 64;
// Rows decoded ahead of the composition: enough to go on while the frame
// template loads, a few MB at most.
constexpr int Bands = 6;

// Photo rows passed from the decoding thread to the composing one through a
// ring of bands. The decoder waits while the ring is full, the composer
// while it is empty.
class RowRing final
{
public:
    // Decoder side.
    void Begin(QRect decoded, bool ok)
    {
        const std::lock_guard lock(m_mutex);
        m_decoded = decoded;
        m_rowBytes = std::size_t(std::max(decoded.width(), 1)) * 4;
        for (std::vector<uchar> &band : m_bands)
            band.resize(m_rowBytes * BandRows);
        m_begun = true;
        m_failed = !ok;
        m_changed.notify_all();
    }
    // The band to fill next, once the composer has left it.
    uchar *NextBand()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_produced - m_consumed < Bands || m_stopped; });
        return m_stopped ? nullptr : m_bands[m_produced % Bands].data();
    }
    void Produced(int rows)
    {
        const std::lock_guard lock(m_mutex);
        m_rowsIn[m_produced % Bands] = rows;
        ++m_produced;
        m_changed.notify_all();
    }
    void End(bool whole, bool damaged)
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        m_whole = whole;
        m_damaged = damaged;
        m_changed.notify_all();
    }

    // Composer side.
    bool WaitBegun(QRect &decoded)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_begun; });
        decoded = m_decoded;
        return !m_failed;
    }
    // The next band of rows and how many it holds; null at the end.
    const uchar *TakeBand(int &rows)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_produced > m_consumed || m_ended; });
        if (m_produced == m_consumed)
            return nullptr;
        rows = m_rowsIn[m_consumed % Bands];
        return m_bands[m_consumed % Bands].data();
    }
    void Consumed()
    {
        const std::lock_guard lock(m_mutex);
        ++m_consumed;
        m_changed.notify_all();
    }
    // Lets the decoder go when the composer gives up early.
    void Stop()
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_changed.notify_all();
    }
    // Whether the data was whole; `damaged` whether it was damaged or cut short.
    bool WaitWhole(bool &damaged)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_ended; });
        damaged = m_damaged;
        return m_whole;
    }
    std::size_t RowBytes() const { return m_rowBytes; }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<uchar> m_bands[Bands];
    int m_rowsIn[Bands] = {};
    long m_produced = 0;
    long m_consumed = 0;
    QRect m_decoded;
    std::size_t m_rowBytes = 4;
    bool m_begun = false;
    bool m_failed = false;
    bool m_ended = false;
    bool m_whole = false;
    bool m_damaged = false;
    bool m_stopped = false;
};

void Decode(StreamedPhoto photo, RowRing &ring)
{
    JpegRowReader &reader = *photo.jpeg;
    const bool started = reader.Start(photo.reduction, photo.rect);
    const QRect decoded = reader.Decoded();
    ring.Begin(decoded, started);
    bool ok = started;
    for (int row = 0; ok && row < decoded.height(); row += BandRows) {
        uchar *band = ring.NextBand();
        if (!band) { // nobody wants the rest
            ring.End(false, false);
            return;
        }
        const int rows = std::min(BandRows, decoded.height() - row);
        uchar *pointers[BandRows];
        for (int i = 0; i < rows; ++i)
            pointers[i] = band + ring.RowBytes() * std::size_t(i);
        ok = reader.Read(pointers, rows);
        ring.Produced(rows);
    }
    const bool whole = ok && reader.Finish() && reader.Whole();
    ring.End(whole, reader.Damaged());
}

// Source-over of a premultiplied template pixel on an opaque colour, with
// Qt's own rounding, so the road gives the very pixels a painter would.
inline QRgb Under(QRgb over, QRgb colour)
{
    const uint alpha = qAlpha(over);
    if (alpha == 255)
        return over;
    if (alpha == 0)
        return colour | 0xFF000000u;
    const uint inverse = 255 - alpha;
    uint rb = (colour & 0xFF00FFu) * inverse;
    rb = ((rb + ((rb >> 8) & 0xFF00FFu) + 0x800080u) >> 8) & 0xFF00FFu;
    uint ag = ((colour | 0xFF000000u) >> 8 & 0xFF00FFu) * inverse;
    ag = (ag + ((ag >> 8) & 0xFF00FFu) + 0x800080u) & 0xFF00FF00u;
    return over + (ag | rb);
}

// Lays a canvas row: the template's row `over` on the photo's pixels from
// `photo` (null for none) over canvas columns [left, right), white elsewhere.
void LayRow(QRgb *row, const QRgb *over, int width, const QRgb *photo, int left, int right)
{
    int x = 0;
    for (; x < std::min(left, width); ++x)
        row[x] = Under(over[x], 0xFFFFFFFFu);
    if (photo) {
        for (; x < right; ++x)
            row[x] = Under(over[x], photo[x - left]);
    }
    for (; x < width; ++x)
        row[x] = Under(over[x], 0xFFFFFFFFu);
}

// Encodes the laid rows in order as they come, one at a time; the label's
// rows are held until the label is drawn over all of them. The picture is
// never held whole.
class RowOutput final
{
public:
    RowOutput(QSize size, QRect labelRect, const std::function<void(QPainter &)> &drawLabel,
              const std::filesystem::path &path, int quality)
        : m_label(labelRect.intersected(QRect(QPoint(0, 0), size)))
        , m_drawLabel(drawLabel)
        , m_row(size.width(), 1, QImage::Format_RGB32)
        , m_labelRows(m_label.isEmpty() ? QImage() : QImage(size.width(), m_label.height(), QImage::Format_RGB32))
        , m_writer(path, size, quality)
    {
    }

    bool IsOpen() const { return !m_row.isNull() && (m_label.isEmpty() || !m_labelRows.isNull()); }
    // Where canvas row `y` is to be laid.
    QRgb *Row(int y)
    {
        QImage &rows = InLabel(y) ? m_labelRows : m_row;
        return reinterpret_cast<QRgb *>(rows.scanLine(InLabel(y) ? y - m_label.top() : 0));
    }
    // Row `y` is laid; rows are laid top to bottom, each once.
    void Laid(int y)
    {
        if (!InLabel(y)) {
            m_ok = m_ok && m_writer.Write(m_row, 0, 1);
            return;
        }
        if (y < m_label.bottom())
            return;
        QPainter painter(&m_labelRows);
        painter.translate(0, -m_label.top());
        m_drawLabel(painter);
        painter.end();
        m_ok = m_ok && m_writer.Write(m_labelRows, 0, m_labelRows.height());
    }
    bool Commit() { return m_ok && m_writer.Commit(); }

private:
    bool InLabel(int y) const { return y >= m_label.top() && y <= m_label.bottom() && !m_label.isEmpty(); }

    const QRect m_label;
    const std::function<void(QPainter &)> &m_drawLabel;
    QImage m_row;
    QImage m_labelRows;
    JpegRowWriter m_writer;
    bool m_ok = true;
};

} // namespace

class PhotoRows final
{
public:
    explicit PhotoRows(const StreamedPhoto &photo)
        : m_decoder(Decode,
                    StreamedPhoto{photo.jpeg, photo.path, photo.reduction, photo.rect, photo.corner, nullptr, nullptr},
                    std::ref(ring))
    {
    }
    ~PhotoRows()
    {
        ring.Stop();
        m_decoder.join();
    }
    PhotoRows(const PhotoRows &) = delete;
    PhotoRows &operator=(const PhotoRows &) = delete;

    RowRing ring;

private:
    std::thread m_decoder;
};

std::shared_ptr<PhotoRows> StartPhotoRows(const StreamedPhoto &photo)
{
    return std::make_shared<PhotoRows>(photo);
}

bool ComposeUnderTemplate(const StreamedPhoto &photo, const QImage &frameTemplate, QRect labelRect,
                          const std::function<void(QPainter &)> &drawLabel, const std::filesystem::path &outputPath,
                          int quality, bool &damaged)
{
    damaged = false;
    const std::shared_ptr<PhotoRows> rows = photo.started ? photo.started : StartPhotoRows(photo);
    RowRing &ring = rows->ring;
    // The template is only read: a kept one goes on to the next photo as it is.
    const int width = frameTemplate.width();
    const int height = frameTemplate.height();
    RowOutput output(frameTemplate.size(), labelRect, drawLabel, outputPath, quality);
    QRect decoded;
    if (!ring.WaitBegun(decoded) || !output.IsOpen()) {
        ring.Stop();
        ring.WaitWhole(damaged);
        return false;
    }

    const int photoLeft = photo.corner.x() + decoded.left();
    const int firstPhotoRow = photo.corner.y() + decoded.top();
    // A template still being read is waited for row by row.
    int templateReady = photo.templateRows ? 0 : height;
    const auto templateRow = [&](int y) -> const QRgb * {
        if (y >= templateReady && (templateReady = photo.templateRows->WaitRows(y + 1)) < 0)
            return nullptr;
        return reinterpret_cast<const QRgb *>(frameTemplate.constScanLine(y));
    };

    int y = 0;
    bool templateWhole = true;
    const auto layWhite = [&](int row) {
        const QRgb *over = templateRow(row);
        templateWhole = templateWhole && over;
        if (over)
            LayRow(output.Row(row), over, width, nullptr, 0, 0);
        output.Laid(row);
    };
    for (; y < std::min(firstPhotoRow, height); ++y)
        layWhite(y);
    int photoRow = 0;
    int bandRows = 0;
    while (const uchar *band = ring.TakeBand(bandRows)) {
        for (int i = 0; i < bandRows; ++i, ++photoRow) {
            const int at = firstPhotoRow + photoRow;
            if (at < 0 || at >= height)
                continue;
            const auto *pixels = reinterpret_cast<const QRgb *>(band + ring.RowBytes() * std::size_t(i));
            const int left = std::max(photoLeft, 0);
            const int right = std::clamp(photoLeft + decoded.width(), left, width);
            const QRgb *over = templateRow(at);
            templateWhole = templateWhole && over;
            if (over)
                LayRow(output.Row(at), over, width, pixels + (left - photoLeft), left, right);
            output.Laid(at);
            y = at + 1;
        }
        ring.Consumed();
    }
    for (; y < height; ++y)
        layWhite(y);
    return ring.WaitWhole(damaged) && templateWhole && output.Commit();
}
