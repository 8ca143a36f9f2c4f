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

void ScaledKeyedBlit(DibImage& destination, const DibImage& source, const ImageRect& rect, BgrPixel key,
                     std::span<int32_t> columns)
{
    if (!HasPixels(destination) || !HasPixels(source) || rect.width <= 0 || rect.height <= 0 || columns.empty()) {
        return;
    }
    const int64_t firstColumn = std::clamp<int64_t>(rect.x, 0, destination.Width());
    const int64_t endColumn = std::clamp<int64_t>(int64_t{rect.x} + rect.width, 0, destination.Width());
    const int64_t firstRow = std::clamp<int64_t>(rect.y, 0, destination.Height());
    const int64_t endRow = std::clamp<int64_t>(int64_t{rect.y} + rect.height, 0, destination.Height());
    const auto isKey = [key](const BgrPixel& pixel) {
        return pixel.b == key.b && pixel.g == key.g && pixel.r == key.r;
    };
    for (int64_t start = firstColumn; start < endColumn; start += static_cast<int64_t>(columns.size())) {
        const int64_t count = std::min<int64_t>(static_cast<int64_t>(columns.size()), endColumn - start);
        // The source column of each drawn column of this run, worked out once for every row.
        for (int64_t i = 0; i < count; ++i) {
            columns[static_cast<size_t>(i)] = static_cast<int32_t>((start + i - rect.x) * source.Width() / rect.width);
        }
        for (int64_t row = firstRow; row < endRow; ++row) {
            const uint8_t* from = source.Row(static_cast<int32_t>((row - rect.y) * source.Height() / rect.height));
            BgrPixel* to = PixelAt(destination.Row(static_cast<int32_t>(row)), start);
            for (int64_t i = 0; i < count; ++i) {
                const BgrPixel pixel = *PixelAt(from, columns[static_cast<size_t>(i)]);
                if (!isKey(pixel)) to[i] = pixel;
            }
        }
    }
}
