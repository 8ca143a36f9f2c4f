#include "image/skin_overlay.h"

#include <algorithm>

#include "image/colour_kernels.h"
#include "image/resample.h"

int SizeDiffers(const DibImage& a, const DibImage& b)
{
    return a.Width() != b.Width() || a.Height() != b.Height() ? 1 : 0;
}

void YCbCrRangeMask(const DibImage& source, DibImage& mask, const YCbCrPixel& lower, const YCbCrPixel& upper,
                    BgrPixel inside, BgrPixel outside)
{
    const bool ready = ReadyOutput(source, mask, [&](DibImage& output) {
        if (SizeDiffers(source, output)) {
            output.SetFormat(source);
        }
    });
    if (!ready) {
        return;
    }
    const SkinBox box = MakeSkinBox(lower, upper);
    const ColourKernels& kernels = ActiveColourKernels();
    for (int32_t i = 0; i < source.Height(); ++i) {
        kernels.mask(source.Row(i), mask.Row(i), source.Width(), box, inside, outside);
    }
}

void ColourCentroid(const DibImage& image, BgrPixel colour, double& x, double& y)
{
    if (!HasPixels(image)) {
        return;
    }
    // Column and row numbers are integers, so integer sums give the very doubles that
    // adding them one by one in double would.
    const ColourKernels& kernels = ActiveColourKernels();
    int64_t count = 0, columnSum = 0, rowSum = 0;
    for (int32_t i = 0; i < image.Height(); ++i) {
        int64_t rowCount = 0;
        kernels.count(image.Row(i), image.Width(), colour, &rowCount, &columnSum);
        count += rowCount;
        rowSum += rowCount * i;
    }
    if (count == 0) {
        x = -1.0;
        y = -1.0;
        return;
    }
    x = static_cast<double>(columnSum) / static_cast<double>(count);
    y = static_cast<double>(rowSum) / static_cast<double>(count);
}

void KeyedBlit(DibImage& destination, const DibImage& source, int x, int y, BgrPixel key)
{
    if (!HasPixels(destination) || !HasPixels(source)) {
        return;
    }
    // The source columns and rows that land inside the destination, so that the work is
    // bounded by the destination however large the source is.
    const int64_t firstColumn = std::max<int64_t>(0, -int64_t{x});
    const int64_t endColumn = std::min<int64_t>(source.Width(), int64_t{destination.Width()} - x);
    const int64_t firstRow = std::max<int64_t>(0, -int64_t{y});
    const int64_t endRow = std::min<int64_t>(source.Height(), int64_t{destination.Height()} - y);
    if (firstColumn >= endColumn) {
        return;
    }
    const ColourKernels& kernels = ActiveColourKernels();
    for (int64_t i = firstRow; i < endRow; ++i) {
        kernels.keyedCopy(source.Row(static_cast<int32_t>(i)) + 3 * firstColumn,
                          destination.Row(static_cast<int32_t>(y + i)) + 3 * (x + firstColumn),
                          static_cast<int32_t>(endColumn - firstColumn), key);
    }
}
