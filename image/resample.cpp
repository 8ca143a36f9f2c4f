#include "image/resample.h"

#include <cmath>

#include "image/bilinear_formula.h"
#include "image/scale_kernels.h"

void WarpImage(const DibImage& source, DibImage& destination, const WarpMatrix& matrix)
{
    if (!HasPixels(source) || !HasPixels(destination)) {
        return;
    }
    const double* m = matrix.m;
    const int32_t sw = source.Width(), sh = source.Height();
    const int32_t dw = destination.Width(), dh = destination.Height();
    for (int32_t i = 0; i < dh; ++i) {
        uint8_t* out = destination.Row(i);
        const double y = i;
        for (int32_t j = 0; j < dw; ++j) {
            const double x = j;
            const double w = (m[6] * x + m[7] * y) + m[8];
            const double u = ((m[0] * x + m[1] * y) + m[2]) / w;
            const double v = ((m[3] * x + m[4] * y) + m[5]) / w;
            // Tested in double before any conversion, so that infinities, NaN and values
            // beyond int range simply fail the neighbourhood test.
            const double column = std::floor(u), row = std::floor(v);
            if (!(column >= 0.0 && column + 1.0 < sw && row >= 0.0 && row + 1.0 < sh)) {
                continue;
            }
            const int32_t iu = static_cast<int32_t>(column), iv = static_cast<int32_t>(row);
            const double fx = u - iu, fy = v - iv;
            const uint8_t* top = source.Row(iv);
            const uint8_t* bottom = source.Row(iv + 1);
            BilinearPixel(PixelAt(top, iu), PixelAt(top, iu + 1), PixelAt(bottom, iu), PixelAt(bottom, iu + 1), fx, fy,
                          PixelAt(out, j));
        }
    }
}

void ResizeImage(const DibImage& source, DibImage& destination, int width, int height)
{
    if (HasPixels(source) && source.Width() == width && source.Height() == height) {
        destination = source;
        return;
    }
    const bool ready = ReadyOutput(source, destination, [&](DibImage& output) {
        if (output.Width() != width || output.Height() != height || output.ImageSize() == 0) {
            output.SetSize(width, height);
        }
    });
    if (ready) {
        ScaleImage(source, destination);
    }
}
