#include "image/scale_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/pixel.h"
#include "image/resample.h"

namespace {

// Destination columns are handled in chunks whose sampling tables live on the stack.
constexpr int32_t kChunkColumns = 1024;

// Where the columns of one chunk sample the source.
struct ColumnChunk {
    int32_t offset[kChunkColumns];  // byte offset of the left neighbour in a source row
    double fraction[kChunkColumns];
    int32_t count;  // columns of the chunk that have both neighbours
};

// The source position of destination coordinate n along one axis, as the warp finds it:
// with the scale matrix w = (0 x + 0 y) + 1 = 1 and the zero entries add nothing, so u
// is exactly scale * n. Sets index and fraction and returns true when both neighbours
// exist. Positions grow with n, so once one fails all later ones do.
bool SourcePosition(double scale, int32_t n, int32_t sourceSize, int32_t* index, double* fraction)
{
    const double position = scale * n;
    const double whole = std::floor(position);
    if (!(whole + 1.0 < sourceSize)) {
        return false;
    }
    *index = static_cast<int32_t>(whole);
    *fraction = position - *index;
    return true;
}

void FillChunk(double scale, int32_t first, int32_t last, int32_t sourceWidth, ColumnChunk* chunk)
{
    chunk->count = 0;
    for (int32_t j = first; j < last; ++j) {
        int32_t index;
        double fraction;
        if (!SourcePosition(scale, j, sourceWidth, &index, &fraction)) {
            break;
        }
        chunk->offset[chunk->count] = 3 * index;
        chunk->fraction[chunk->count] = fraction;
        ++chunk->count;
    }
}

const ScaleRowKernels& ActiveKernels()
{
    return PickKernels(BaselineScaleRowKernels, Avx2ScaleRowKernels, Avx512ScaleRowKernels);
}

void GatherPixels(const uint8_t* source, int32_t step, int32_t count, uint8_t* out)
{
    if (count < 1) {
        return;
    }
    // Four-byte moves: the extra byte read is the right neighbour's first, and the extra
    // byte written is overwritten by the next pixel.
    const int64_t stride = 3 * int64_t{step};
    for (int32_t j = 0; j + 1 < count; ++j) {
        uint32_t pixel;
        std::memcpy(&pixel, source + stride * j, 4);
        std::memcpy(out + 3 * j, &pixel, 4);
    }
    std::memcpy(out + 3 * (count - 1), source + stride * (count - 1), 3);
}

void BlendRows(uint8_t* upper, const uint8_t* lower, int32_t bytes, int weight)
{
    for (int32_t k = 0; k < bytes; ++k) {
        upper[k] = static_cast<uint8_t>((upper[k] * (128 - weight) + lower[k] * weight) >> 7);
    }
}

}  // namespace

const ScaleRowKernels& BaselineScaleRowKernels()
{
    static const ScaleRowKernels kernels{GatherPixels, BlendRows};
    return kernels;
}

void ScaleImage(const DibImage& source, DibImage& destination)
{
    const int32_t sw = source.Width(), sh = source.Height();
    const int32_t dw = destination.Width(), dh = destination.Height();
    if (sw < 2 || sh < 2) {
        return;  // no source pixel has both a right and a lower neighbour
    }
    const double scaleX = static_cast<double>(sw) / dw;
    const double scaleY = static_cast<double>(sh) / dh;
    // A whole horizontal factor k makes every fx zero: column j samples source column k j.
    const bool wholeColumns = scaleX == std::floor(scaleX);
    const int32_t step = wholeColumns ? static_cast<int32_t>(scaleX) : 0;
    const ScaleRowKernels& kernels = ActiveKernels();

    ColumnChunk chunk;
    uint8_t lower[3 * kChunkColumns];
    for (int32_t first = 0; first < dw; first += kChunkColumns) {
        FillChunk(scaleX, first, first + std::min(kChunkColumns, dw - first), sw, &chunk);
        if (chunk.count == 0) {
            break;
        }
        int32_t iv;
        double fy;
        for (int32_t i = 0; i < dh && SourcePosition(scaleY, i, sh, &iv, &fy); ++i) {
            const uint8_t* top = source.Row(iv);
            const uint8_t* bottom = source.Row(iv + 1);
            uint8_t* out = destination.Row(i) + 3 * int64_t{first};
            // With every fx zero the formula's first term is a signed zero, so a channel
            // is A + (C - A) fy. When fy is a multiple of 1/128 that sum is exact, and
            // its truncation is (A (128 - b) + C b) >> 7 with b = 128 fy.
            const double weight = fy * 128.0;
            if (wholeColumns && weight == std::floor(weight)) {
                kernels.gather(top + chunk.offset[0], step, chunk.count, out);
                if (weight != 0.0) {
                    kernels.gather(bottom + chunk.offset[0], step, chunk.count, lower);
                    kernels.blend(out, lower, 3 * chunk.count, static_cast<int>(weight));
                }
                continue;
            }
            for (int32_t j = 0; j < chunk.count; ++j) {
                const int32_t left = chunk.offset[j];
                BilinearPixel(PixelAt(top + left, 0), PixelAt(top + left, 1), PixelAt(bottom + left, 0),
                              PixelAt(bottom + left, 1), chunk.fraction[j], fy, PixelAt(out, j));
            }
        }
    }
}
