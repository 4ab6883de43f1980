#include "camera/LiveViewPicture.h"

#include <QPainter>

#include <algorithm>
#include <climits>
#include <iterator>
#include <utility>

namespace {

// A one-pixel outline covering (left, top) to (right, bottom), both ends
// excluded, as a rectangle drawn with a hollow brush covers it.
void Outline(QPainter &painter, int left, int top, int right, int bottom, QColor colour)
{
    if (right <= left || bottom <= top)
        return;
    painter.fillRect(left, top, right - left, 1, colour);
    painter.fillRect(left, bottom - 1, right - left, 1, colour);
    painter.fillRect(left, top, 1, bottom - top, colour);
    painter.fillRect(right - 1, top, 1, bottom - top, colour);
}

int Scale(std::int64_t value, int window, std::int32_t coordinates)
{
    return int(value * window / coordinates);
}

void DrawOverlay(QImage &picture, const LiveViewFrame &frame, const LiveViewOverlay &overlay)
{
    const QSize window = picture.size();
    QPainter painter(&picture);
    if (overlay.showZoomRect) {
        const CameraRect &zoom = frame.zoomRect;
        const CameraSize &system = frame.coordinates;
        Outline(painter, Scale(zoom.x, window.width(), system.width), Scale(zoom.y, window.height(), system.height),
                Scale(std::int64_t(zoom.x) + zoom.width, window.width(), system.width),
                Scale(std::int64_t(zoom.y) + zoom.height, window.height(), system.height), Qt::white);
    }
    for (const FocusPoint &point : overlay.focusPoints) {
        if (point.valid != 1)
            continue;
        const QColor colour = point.selected != 1 ? QColor(0x80, 0x80, 0x80) : (point.inFocus & 1) ? QColor(0, 0xFF, 0) : QColor(Qt::white);
        Outline(painter, point.rect.x, point.rect.y, point.rect.x + point.rect.width, point.rect.y + point.rect.height, colour);
    }
}

} // namespace

std::vector<FocusPoint> FocusPointsInWindow(const FocusRecord &record, QSize window)
{
    std::vector<FocusPoint> points;
    // A record without an image size cannot be placed (and would divide by zero).
    if (record.image.width <= 0 || record.image.height <= 0)
        return points;
    const float sx = float(window.width()) / float(record.image.width);
    const float sy = float(window.height()) / float(record.image.height);
    const std::size_t count = std::min<std::size_t>(record.pointCount, std::size(record.points));
    points.assign(record.points, record.points + count);
    for (FocusPoint &point : points) {
        point.rect.x = std::int32_t(float(point.rect.x) * sx);
        point.rect.width = std::int32_t(float(point.rect.width) * sx);
        point.rect.y = std::int32_t(float(point.rect.y) * sy);
        point.rect.height = std::int32_t(float(point.rect.height) * sy);
    }
    return points;
}

QImage DrawLiveViewPicture(const void *jpeg, std::size_t length, const LiveViewFrame &frame, const LiveViewOverlay &overlay,
                           QSize window)
{
    if (!jpeg || length == 0 || window.isEmpty())
        return {};
    QImage decoded = QImage::fromData(static_cast<const uchar *>(jpeg), int(std::min<std::size_t>(length, INT32_MAX)), "JPG");
    if (decoded.isNull())
        return {};
    // Stretched by whole pixels, like a colour-on-colour stretch: fast, and a
    // moving picture does not need smoothing.
    QImage picture = decoded.size() == window ? std::move(decoded)
                                              : decoded.scaled(window, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (picture.format() != QImage::Format_RGB32)
        picture = std::move(picture).convertToFormat(QImage::Format_RGB32);
    if (frame.zoom == 1 && frame.coordinates.width != 0 && frame.coordinates.height != 0)
        DrawOverlay(picture, frame, overlay);
    return picture;
}

void LiveViewPicture::setWindowSize(QSize size)
{
    std::lock_guard lock(m_mutex);
    m_window = size;
}

QSize LiveViewPicture::windowSize() const
{
    std::lock_guard lock(m_mutex);
    return m_window;
}

void LiveViewPicture::setFocusRecord(const FocusRecord &record)
{
    std::vector<FocusPoint> points = FocusPointsInWindow(record, windowSize());
    std::lock_guard lock(m_mutex);
    m_focusInWindow = std::move(points);
}

void LiveViewPicture::setShowZoomRect(bool show)
{
    std::lock_guard lock(m_mutex);
    m_showZoomRect = show;
}

LiveViewOverlay LiveViewPicture::overlay() const
{
    std::lock_guard lock(m_mutex);
    return {m_showZoomRect, m_focusInWindow};
}

bool LiveViewPicture::draw(const void *jpeg, std::size_t length, const LiveViewFrame &frame)
{
    QImage picture = DrawLiveViewPicture(jpeg, length, frame, overlay(), windowSize());
    if (picture.isNull())
        return false;
    std::lock_guard lock(m_mutex);
    m_latest = std::move(picture);
    const bool tell = !m_waiting;
    m_waiting = true;
    return tell;
}

QImage LiveViewPicture::take()
{
    std::lock_guard lock(m_mutex);
    m_waiting = false;
    return std::exchange(m_latest, QImage());
}
