#include "faces/PhotoWindow.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int OpaqueFrom = 128;
constexpr double ShownShare = 0.75;
// Samples per side of a box when its share on the photo is measured.
constexpr int Samples = 16;

QRect ScaleRect(const QRect &rect, double sx, double sy)
{
    const int left = static_cast<int>(std::floor(rect.left() * sx));
    const int top = static_cast<int>(std::floor(rect.top() * sy));
    const int right = static_cast<int>(std::ceil((rect.right() + 1) * sx));
    const int bottom = static_cast<int>(std::ceil((rect.bottom() + 1) * sy));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

} // namespace

PhotoWindow PhotoWindow::FromTemplate(const QImage &frameTemplate)
{
    PhotoWindow window;
    if (frameTemplate.isNull() || !frameTemplate.hasAlphaChannel())
        return window;
    const QImage argb = frameTemplate.convertToFormat(QImage::Format_ARGB32);
    window.m_mask = QImage(argb.size(), QImage::Format_Grayscale8);
    int left = argb.width(), top = argb.height(), right = -1, bottom = -1;
    for (int y = 0; y < argb.height(); ++y) {
        const auto *pixel = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        uchar *shows = window.m_mask.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            const bool transparent = qAlpha(pixel[x]) < OpaqueFrom;
            shows[x] = transparent ? 255 : 0;
            if (transparent) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right >= 0)
        window.m_bounds = QRect(QPoint(left, top), QPoint(right, bottom));
    return window;
}

QRect PhotoWindow::Area(QSize picture) const
{
    const QRect whole(QPoint(0, 0), picture);
    if (IsWhole())
        return whole;
    if (m_bounds.isEmpty())
        return {};
    const double sx = static_cast<double>(picture.width()) / m_mask.width();
    const double sy = static_cast<double>(picture.height()) / m_mask.height();
    return ScaleRect(m_bounds, sx, sy).intersected(whole);
}

bool PhotoWindow::Shows(const QRect &box, QSize picture) const
{
    if (IsWhole())
        return true;
    if (box.isEmpty() || picture.isEmpty())
        return false;
    const double sx = static_cast<double>(m_mask.width()) / picture.width();
    const double sy = static_cast<double>(m_mask.height()) / picture.height();
    int shown = 0;
    for (int j = 0; j < Samples; ++j) {
        for (int i = 0; i < Samples; ++i) {
            const double px = box.left() + (i + 0.5) * box.width() / Samples;
            const double py = box.top() + (j + 0.5) * box.height() / Samples;
            const int mx = std::clamp(static_cast<int>(px * sx), 0, m_mask.width() - 1);
            const int my = std::clamp(static_cast<int>(py * sy), 0, m_mask.height() - 1);
            if (m_mask.constScanLine(my)[mx] != 0)
                ++shown;
        }
    }
    return shown >= ShownShare * Samples * Samples;
}
