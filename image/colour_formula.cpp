#include "image/colour_formula.h"

#include "image/resample.h"

int SameColour(const uint8_t* a, const uint8_t* b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] ? 1 : 0;
}

void BgrToYCbCr(const BgrPixel* in, YCbCrPixel* out)
{
    const double b = in->b, g = in->g, r = in->r;
    const double luma = (0.58661 * g + 0.29891 * r) + 0.11448 * b;
    const double blue = (0.5 * b - (0.16874 * r + 0.33126 * g)) + 128;
    const double red = ((0.5 * r - 0.41869 * g) - 0.08131 * b) + 128;
    out->y = ClampToByte(luma);
    out->cb = ClampToByte(blue);
    out->cr = ClampToByte(red);
}
