#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// Where the photo shows in a composed picture. The frame template is
// stretched over the whole picture and laid over the photo; the photo shows
// through its transparent pixels, so a face printed in the template (or a
// face of the photo under the template's opaque parts) is not the photo's
// own. A template without transparency lies under the photo, and then the
// whole picture counts, as it does for a photo that is no composition.
class PhotoWindow final
{
public:
    // The whole picture.
    PhotoWindow() = default;
    // The transparent part (alpha below half) of the template.
    static PhotoWindow FromTemplate(const QImage &frameTemplate);

    bool IsWhole() const { return m_mask.isNull(); }

    // The part of a picture of `picture` size worth searching: the bounding
    // box of the transparent pixels, or the whole picture; empty when the
    // template has no transparent pixel at all.
    QRect Area(QSize picture) const;
    // True when at least three quarters of `box` (picture pixels) lie on the photo.
    bool Shows(const QRect &box, QSize picture) const;

private:
    QImage m_mask;  // Grayscale8 of the template's size: 255 where the photo shows
    QRect m_bounds; // of the 255 pixels, in template pixels
};
