#pragma once

#include <QImage>
#include <QString>

// A list thumbnail: the whole photo, upright as its camera showed it,
// stretched (area-averaged) into the given size over white; the aspect ratio
// is not kept. A photo that cannot
// be read gives a white thumbnail. Decodes the JPEG scaled where it can, so
// a large photo costs a fraction of a full decode. Call off the user-interface thread.
QImage MakeThumbnail(const QString &photoPath, QSize size);

// Thumbnail size from the paper size in millimetres and the thumbnail scale:
// 152 x 102 mm at scale 3 gives 90 x 60. A larger scale or paper is kept
// within LargestThumbnail (its shape kept), so a list row never grows beyond
// a quarter of the list and the names beside it keep their room.
QSize ThumbnailSizeFor(int paperWidthMm, int paperHeightMm, int scale);
QSize LargestThumbnail();
