#pragma once

#include <QSize>

// The paper sizes a composition accepts, and so the most memory it can ever
// need. A canvas has 480 dots per inch, so every millimetre of paper costs
// about 19 pixels a side: a paper size typed with an extra digit would ask
// for gigabytes. Papers from a wallet print to A3+ (329 x 483 mm) fit.

constexpr int MinPaperMm = 10;
constexpr int MaxPaperMm = 500;

// The largest canvas a composition builds: 500 x 500 mm at 480 dpi,
// 9448 x 9448 pixels (357 MB at 4 bytes a pixel).
QSize MaxCanvasSize();

// True for a paper of whole millimetres an event can print on.
bool PaperWithinLimit(int widthMm, int heightMm);

// True for a canvas that is not empty and no larger than MaxCanvasSize in
// either direction; a composition refuses any other before it allocates.
bool CanvasWithinLimit(QSize canvas);
