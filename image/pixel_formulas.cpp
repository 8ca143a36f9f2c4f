#include "image/pixel_formulas.h"

#include "image/bilinear_formula.h"

uint8_t ClampToByte(double value)
{
    if (value > 255.0) {
        return 255;
    }
    if (!(value >= 0.0)) {  // below zero, or not a number
        return 0;
    }
    return static_cast<uint8_t>(static_cast<int>(value));
}

namespace {

uint8_t BilinearChannel(int a, int b, int c, int d, double fx, double fy)
{
    const BilinearTerms<double> terms{static_cast<double>(a), static_cast<double>(b - a), static_cast<double>(c - a),
                                      static_cast<double>(a - b - c + d)};
    double value;
    BilinearValue(terms, fx, fy, value);
    return ClampToByte(value);
}

}  // namespace

void BilinearPixel(const BgrPixel* topLeft, const BgrPixel* topRight, const BgrPixel* bottomLeft,
                   const BgrPixel* bottomRight, const double& fx, const double& fy, BgrPixel* out)
{
    out->r = BilinearChannel(topLeft->r, topRight->r, bottomLeft->r, bottomRight->r, fx, fy);
    out->g = BilinearChannel(topLeft->g, topRight->g, bottomLeft->g, bottomRight->g, fx, fy);
    out->b = BilinearChannel(topLeft->b, topRight->b, bottomLeft->b, bottomRight->b, fx, fy);
}

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
