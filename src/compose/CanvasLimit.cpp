#include "compose/CanvasLimit.h"

#include "compose/SinglePhoto.h"

QSize MaxCanvasSize()
{
    return CanvasSize(MaxPaperMm, MaxPaperMm);
}

bool PaperWithinLimit(int widthMm, int heightMm)
{
    const auto fits = [](int mm) { return mm >= MinPaperMm && mm <= MaxPaperMm; };
    return fits(widthMm) && fits(heightMm);
}

bool CanvasWithinLimit(QSize canvas)
{
    const QSize limit = MaxCanvasSize();
    return canvas.width() > 0 && canvas.height() > 0 && canvas.width() <= limit.width()
        && canvas.height() <= limit.height();
}
