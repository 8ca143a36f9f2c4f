#include "locate/logo_placement.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "image/colour_kernels.h"
#include "image/skin_overlay.h"

namespace {

struct Span {
    int64_t first, end;
};

// The part of [start, start + length) that lies in [0, limit).
Span Clip(int64_t start, int64_t length, int64_t limit)
{
    return Span{std::clamp<int64_t>(start, 0, limit), std::clamp<int64_t>(start + length, 0, limit)};
}

bool IsKey(const BgrPixel& pixel, BgrPixel key)
{
    return pixel.b == key.b && pixel.g == key.g && pixel.r == key.r;
}

}  // namespace

LogoShape ShapeOf(const DibImage& frame, BgrPixel key)
{
    LogoShape shape;
    if (!HasPixels(frame)) return shape;
    shape.frameWidth = frame.Width();
    shape.frameHeight = frame.Height();
    int left = frame.Width(), right = -1, top = frame.Height(), bottom = -1;
    for (int32_t row = 0; row < frame.Height(); ++row) {
        for (int32_t column = 0; column < frame.Width(); ++column) {
            if (IsKey(*PixelAt(frame.Row(row), column), key)) continue;
            left = std::min(left, column);
            right = std::max(right, column);
            top = std::min(top, row);
            bottom = std::max(bottom, row);
        }
    }
    if (right >= 0) {
        shape.drawnWidth = right - left + 1;
        shape.drawnHeight = bottom - top + 1;
    }
    return shape;
}

LogoRect CoverPlacement(const LogoShape& shape, double centreX, double centreY, int faceWidth, int faceHeight)
{
    if (shape.drawnWidth <= 0 || shape.drawnHeight <= 0) return LogoRect{0, 0, -1, -1};
    // An ellipse of semi-axes a, b holds the corners (w/2, h/2) of a centred box when
    // (w/2a)^2 + (h/2b)^2 <= 1; with a, b the drawn half sizes times k, that is k at least
    // the root below.
    const double across = static_cast<double>(faceWidth) / shape.drawnWidth;
    const double down = static_cast<double>(faceHeight) / shape.drawnHeight;
    const double scale = std::sqrt(across * across + down * down) * kCoverMargin;
    const int width = static_cast<int>(std::min<double>(kLargestLogo, std::ceil(scale * shape.frameWidth)));
    const int height = static_cast<int>(std::min<double>(kLargestLogo, std::ceil(scale * shape.frameHeight)));
    return LogoRect{static_cast<int>(std::lround(centreX - width / 2.0)),
                    static_cast<int>(std::lround(centreY - height / 2.0)), width, height};
}

void DrawLogo(DibImage& destination, const DibImage& frame, const LogoRect& placement, BgrPixel key)
{
    if (placement.width == 0 && placement.height == 0) {
        KeyedBlit(destination, frame, placement.x, placement.y, key);
        return;
    }
    // A display's columns fit in one run.
    std::array<int32_t, kLargestLogo> columns;
    ScaledKeyedBlit(destination, frame, placement, key, columns);
}

int64_t RegionCentroid(const DibImage& image, BgrPixel colour, const FaceBox& region, double& x, double& y)
{
    if (!HasPixels(image)) return 0;
    const Span columns = Clip(region.x, region.width, image.Width());
    const Span rows = Clip(region.y, region.height, image.Height());
    if (columns.first >= columns.end) return 0;
    const ColourKernels& kernels = ActiveColourKernels();
    int64_t count = 0, columnSum = 0, rowSum = 0;
    for (int64_t row = rows.first; row < rows.end; ++row) {
        int64_t rowCount = 0, rowColumns = 0;
        kernels.count(image.Row(static_cast<int32_t>(row)) + 3 * columns.first,
                      static_cast<int32_t>(columns.end - columns.first), colour, &rowCount, &rowColumns);
        count += rowCount;
        columnSum += rowColumns + rowCount * columns.first;
        rowSum += rowCount * row;
    }
    if (count > 0) {
        x = static_cast<double>(columnSum) / static_cast<double>(count);
        y = static_cast<double>(rowSum) / static_cast<double>(count);
    }
    return count;
}
