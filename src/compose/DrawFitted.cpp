#include "compose/DrawFitted.h"

namespace {

struct Extent
{
    int w;
    int h;

    // Both sides times a single-precision factor, each truncated.
    void Scale(float factor)
    {
        w = static_cast<int>(static_cast<float>(w) * factor);
        h = static_cast<int>(static_cast<float>(h) * factor);
    }
};

float Ratio(int numerator, int denominator)
{
    return static_cast<float>(numerator) / static_cast<float>(denominator);
}

} // namespace

QRect FittedRect(QSize image, QSize control)
{
    const int A = control.width();
    const int B = control.height();
    // Only the shape counts here; the sizes are reduced (read as millimetres at
    // 96 dpi, then by 40) before fitting, and that rounding decides the box.
    Extent e{static_cast<int>(image.width() * 96 / 25.4) / 40, static_cast<int>(image.height() * 96 / 25.4) / 40};
    if (e.w <= 0 || e.h <= 0)
        return {};
    const bool portrait = e.w < e.h;
    if (portrait)
        e.Scale(Ratio(B - 20, e.h));
    if (e.w == e.h)
        e.Scale(B > A ? Ratio(A - 20, e.w) : Ratio(B - 20, e.h));
    else if (!portrait)
        e.Scale(Ratio(A - 20, e.w));
    if (e.w > A)
        e.Scale(Ratio(B - 20, e.h));
    if (e.h > B)
        e.Scale(Ratio(B - 20, e.h));
    return {(A - e.w) / 2, (B - e.h) / 2, e.w, e.h};
}
