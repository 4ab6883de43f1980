#pragma once

#include "platform/Spooler.h"

#include <QSize>
#include <QSizeF>

// The shape of the page a photo is printed on, and what the photo needs to
// fill it: a quarter turn when a landscape photo meets a portrait page, and
// a stretch to the printable area's proportions.

// The printable area of the printer's default paper, in points, laid the
// way the page is printed (wider than high on a landscape page). A printer
// whose paper is unknown gets the given paper width and height in
// millimetres taken crosswise, whatever its orientation; empty when those
// are unknown too.
QSizeF PrintableArea(const PrinterDevice &device, QSizeF fallbackMillimetres);

// True when a photo of this size is turned a quarter for the page: a
// landscape photo (wider than high, strictly) on a portrait page.
bool TurnsForPage(QSize photo, const PrinterDevice &device);

// The pixel size at which a photo has the area's proportions: one side
// grows, none shrinks, so no detail is lost. The photo's own size when it
// is within a pixel of those proportions already, or when the area is empty.
QSize StretchedSize(QSize photo, QSizeF area);
