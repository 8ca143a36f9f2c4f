#include "image/colour_kernels.h"

#include <algorithm>
#include <cstring>

#include "image/pixel_formulas.h"

namespace {

constexpr int32_t kWeightScale = 100000;
constexpr int32_t kChromaOffset = 128 * kWeightScale;

int32_t Numerator(const ChannelWeights& w, const BgrPixel& p)
{
    return w.blue * p.b + w.green * p.g + w.red * p.r;
}

int32_t BoxMargin(const BgrPixel& p, const SkinBox& box)
{
    const int32_t luma = Numerator(kLuma, p), blue = Numerator(kHalfBlue, p), red = Numerator(kRed, p);
    return std::min({luma - box.lumaLow, box.lumaHigh - luma, blue - box.blueLow, box.blueHigh - blue, red - box.redLow,
                     box.redHigh - red});
}

void CountColour(const uint8_t* row, int32_t count, BgrPixel colour, int64_t* matches, int64_t* columnSum)
{
    const uint8_t* wanted = &colour.b;
    for (int32_t j = 0; j < count; ++j) {
        if (SameColour(row + 3 * int64_t{j}, wanted)) {
            ++*matches;
            *columnSum += j;
        }
    }
}

void KeyedCopy(const uint8_t* source, uint8_t* destination, int32_t count, BgrPixel key)
{
    for (int64_t j = 0; j < count; ++j) {
        if (!SameColour(source + 3 * j, &key.b)) {
            std::memcpy(destination + 3 * j, source + 3 * j, 3);
        }
    }
}

}  // namespace

SkinBox MakeSkinBox(const YCbCrPixel& lower, const YCbCrPixel& upper)
{
    SkinBox box;
    // Y > lower: N >= 100000 (lower + 1) + 1 passes, N = 100000 (lower + 1) is undecided.
    box.lumaLow = kWeightScale * (lower.y + 1) + 1;
    box.lumaHigh = kWeightScale * upper.y - 1;
    // The Cb numerator is even apart from its offset, so the test is made on its half.
    box.blueLow = (kWeightScale * (lower.cb + 1) - kChromaOffset) / 2 + 1;
    box.blueHigh = (kWeightScale * upper.cb - kChromaOffset) / 2 - 1;
    box.redLow = kWeightScale * (lower.cr + 1) - kChromaOffset + 1;
    box.redHigh = kWeightScale * upper.cr - kChromaOffset - 1;
    box.lower = lower;
    box.upper = upper;
    return box;
}

bool InsideBox(const BgrPixel* pixel, const YCbCrPixel& lower, const YCbCrPixel& upper)
{
    YCbCrPixel c;
    BgrToYCbCr(pixel, &c);
    return lower.y < c.y && c.y < upper.y && lower.cb < c.cb && c.cb < upper.cb && lower.cr < c.cr && c.cr < upper.cr;
}

void MaskPixels(const uint8_t* source, uint8_t* mask, int32_t count, const SkinBox& box, BgrPixel inside,
                BgrPixel outside)
{
    for (int32_t j = 0; j < count; ++j) {
        const BgrPixel* pixel = PixelAt(source, j);
        const int32_t margin = BoxMargin(*pixel, box);
        const bool in = margin >= 0 || (margin == -1 && InsideBox(pixel, box.lower, box.upper));
        *PixelAt(mask, j) = in ? inside : outside;
    }
}

const ColourKernels& BaselineColourKernels()
{
    static const ColourKernels kernels{MaskPixels, CountColour, KeyedCopy};
    return kernels;
}

const ColourKernels& ActiveColourKernels()
{
    return PickKernels(BaselineColourKernels, Avx2ColourKernels, Avx512ColourKernels);
}
