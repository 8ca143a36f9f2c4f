#include "image/scale_kernels.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/bilinear_formula.h"
#include "image/pixel.h"
#include "image/pixel_formulas.h"

namespace {

// Destination columns are handled in chunks whose sampling tables live on the stack.
constexpr int32_t kChunkColumns = 512;

// Where the columns of one chunk sample the source.
struct ColumnChunk {
    int32_t offset[kChunkColumns];  // byte offset of the left neighbour in a source row
    double fraction[kChunkColumns];
    uint64_t weights[kChunkColumns];
    int32_t count;  // columns of the chunk that have both neighbours
    int32_t wide;   // of those, the first ones whose pair is followed by two more bytes of the row
    bool dyadic;    // every fraction a multiple of 1 / kColumnUnit
    WindowBlocks blocks;

    ColumnSamples Samples() const { return {offset, fraction, weights, &blocks}; }
};

// floor() of a value in [0, 2^63), which truncation gives: positions here stay below
// 2^62 (an int32 scale times an int32 coordinate) and fractions below 1, and a general
// floor() costs more than the rest of their sums.
double FloorOfSmall(double value)
{
    return static_cast<double>(static_cast<int64_t>(value));
}

// The source position of destination coordinate n along one axis, as the warp finds it:
// with the scale matrix w = (0 x + 0 y) + 1 = 1 and the zero entries add nothing, so u
// is exactly scale * n. Sets index and fraction and returns true when both neighbours
// exist. Positions grow with n, so once one fails all later ones do.
bool SourcePosition(double scale, int32_t n, int32_t sourceSize, int32_t* index, double* fraction)
{
    const double position = scale * n;
    const double whole = FloorOfSmall(position);
    if (!(whole + 1.0 < sourceSize)) {
        return false;
    }
    *index = static_cast<int32_t>(whole);
    *fraction = position - *index;
    return true;
}

// fraction * unit when that is a whole number (scaling by a power of two is exact), else -1.
int WholeUnits(double fraction, int unit)
{
    const double units = fraction * unit;
    return units == FloorOfSmall(units) ? static_cast<int>(units) : -1;
}

// Where a destination row samples the source: rows `row` and row + 1, with fraction fy
// and, when 128 fy is whole, that number as its weight (else -1).
struct RowPosition {
    int32_t row;
    double fraction;
    int weight;
};

bool RowAt(double scale, int32_t i, int32_t sourceHeight, RowPosition* at)
{
    if (!SourcePosition(scale, i, sourceHeight, &at->row, &at->fraction)) {
        return false;
    }
    at->weight = WholeUnits(at->fraction, kRowUnit);
    return true;
}

// The bytes 64 - x, x, three times over, then two zero bytes.
uint64_t ColumnWeights(int x)
{
    const uint64_t pair = static_cast<uint64_t>(kColumnUnit - x) | static_cast<uint64_t>(x) << 8;
    return pair | pair << 16 | pair << 32;
}

void FillChunk(double scale, int32_t first, int32_t last, int32_t sourceWidth, ColumnChunk* chunk)
{
    chunk->count = 0;
    chunk->wide = 0;
    chunk->dyadic = true;
    for (int32_t j = first; j < last; ++j) {
        int32_t index;
        double fraction;
        if (!SourcePosition(scale, j, sourceWidth, &index, &fraction)) {
            break;
        }
        const int32_t n = chunk->count++;
        chunk->offset[n] = 3 * index;
        chunk->fraction[n] = fraction;
        if (chunk->offset[n] + 8 <= 3 * sourceWidth) {
            chunk->wide = n + 1;
        }
        const int x = WholeUnits(fraction, kColumnUnit);
        chunk->dyadic = chunk->dyadic && x >= 0;
        chunk->weights[n] = x >= 0 ? ColumnWeights(x) : 0;
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
#pragma GCC unroll 4
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

// The six bytes of a neighbour pair, and no more, in the low bytes of a 64-bit lane.
int64_t LoadPair(const uint8_t* pair)
{
    uint32_t low;
    uint16_t high;
    std::memcpy(&low, pair, 4);
    std::memcpy(&high, pair + 4, 2);
    return static_cast<int64_t>(low | uint64_t{high} << 32);
}

// Pair byte `byte` of both lanes as the doubles 2^52 + byte.
__m128d LiftBiased(__m128i pairs, int byte)
{
    const __m128i lifted = _mm_and_si128(_mm_srl_epi64(pairs, _mm_cvtsi32_si128(8 * byte)), _mm_set1_epi64x(0xFF));
    return _mm_castsi128_pd(_mm_or_si128(lifted, _mm_set1_epi64x(static_cast<int64_t>(kBiasBits))));
}

// Two pixels at a time on SSE2's two double lanes; an odd last pixel by itself.
void InterpolatePixels(const RowSamples& rows, const ColumnSamples& columns, int32_t first, int32_t last)
{
    int32_t j = first;
    for (; j + 2 <= last; j += 2) {
        const int32_t left = columns.offset[j], nextLeft = columns.offset[j + 1];
        const __m128i top = _mm_set_epi64x(LoadPair(rows.top + nextLeft), LoadPair(rows.top + left));
        const __m128i bottom = _mm_set_epi64x(LoadPair(rows.bottom + nextLeft), LoadPair(rows.bottom + left));
        const __m128d fx = _mm_loadu_pd(columns.fraction + j);
        BilinearTerms<__v2df> terms[3];
#pragma GCC unroll 3
        for (int c = 0; c < 3; ++c) {
            TermsOfBiased(LiftBiased(top, c), LiftBiased(top, c + 3), LiftBiased(bottom, c), LiftBiased(bottom, c + 3),
                          terms[c]);
        }
        for (int r = 0; r < rows.count; ++r) {
            const __m128i pixels = ChannelLanes<__v2df>(terms, fx, _mm_set1_pd(rows.fraction[r]),
                                                        [](const __m128d& value) { return _mm_cvttpd_epi32(value); });
            const uint32_t pixel = static_cast<uint32_t>(_mm_cvtsi128_si32(pixels));
            const uint32_t nextPixel = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(pixels, 4)));
            std::memcpy(rows.out[r] + 3 * int64_t{j}, &pixel, 3);
            std::memcpy(rows.out[r] + 3 * int64_t{j} + 3, &nextPixel, 3);
        }
    }
    if (j < last) {
        const uint8_t* top = rows.top + columns.offset[j];
        const uint8_t* bottom = rows.bottom + columns.offset[j];
        for (int r = 0; r < rows.count; ++r) {
            BilinearPixel(PixelAt(top, 0), PixelAt(top, 1), PixelAt(bottom, 0), PixelAt(bottom, 1), columns.fraction[j],
                          rows.fraction[r], PixelAt(rows.out[r], j));
        }
    }
}

void InterpolateDyadicPixels(const RowSamples& rows, const ColumnSamples& columns, int32_t first, int32_t last)
{
    for (int32_t j = first; j < last; ++j) {
        const int x = static_cast<int>(columns.fraction[j] * kColumnUnit);
        const uint8_t* top = rows.top + columns.offset[j];
        const uint8_t* bottom = rows.bottom + columns.offset[j];
        for (int c = 0; c < 3; ++c) {
            const int upper = top[c] * (kColumnUnit - x) + top[c + 3] * x;
            const int lower = bottom[c] * (kColumnUnit - x) + bottom[c + 3] * x;
            for (int r = 0; r < rows.count; ++r) {
                const int y = rows.weight[r];
                rows.out[r][3 * int64_t{j} + c] =
                    static_cast<uint8_t>((upper * (kRowUnit - y) + lower * y) >> kUnitShift);
            }
        }
    }
}

// How a destination row is computed.
enum class RowPath { kGather, kDyadic, kDouble };

// Gathered whole columns blended with one weight: with every fx zero the formula's first
// term is a signed zero, so a channel is A + (C - A) fy, exact, and its truncation is
// (A (128 - y) + C y) >> 7.
void GatherRows(const ScaleRowKernels& kernels, const RowSamples& rows, const ColumnChunk& chunk, int32_t step,
                uint8_t* lower)
{
    bool gatheredLower = false;
    for (int r = 0; r < rows.count; ++r) {
        kernels.gather(rows.top + chunk.offset[0], step, chunk.count, rows.out[r]);
        if (rows.weight[r] != 0) {
            if (!gatheredLower) {
                kernels.gather(rows.bottom + chunk.offset[0], step, chunk.count, lower);
                gatheredLower = true;
            }
            kernels.blend(rows.out[r], lower, 3 * chunk.count, rows.weight[r]);
        }
    }
}

}  // namespace

const ScaleRowKernels& BaselineScaleRowKernels()
{
    static const ScaleRowKernels kernels{GatherPixels, BlendRows, InterpolatePixels, InterpolateDyadicPixels, nullptr};
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
    const ScaleRowKernels& baseline = BaselineScaleRowKernels();

    ColumnChunk chunk;
    uint8_t lower[3 * kChunkColumns];
    for (int32_t first = 0; first < dw; first += kChunkColumns) {
        FillChunk(scaleX, first, first + std::min(kChunkColumns, dw - first), sw, &chunk);
        if (chunk.count == 0) {
            break;
        }
        chunk.blocks.count = 0;
        chunk.blocks.end = 0;
        bool planned = kernels.planBlocks == nullptr;  // made when the double formula is first needed
        const auto pathOf = [&](int weight) {
            if (weight < 0) {
                return RowPath::kDouble;
            }
            return wholeColumns ? RowPath::kGather : chunk.dyadic ? RowPath::kDyadic : RowPath::kDouble;
        };
        const ColumnSamples columns = chunk.Samples();
        int32_t i = 0;
        RowPosition at{};
        bool more = RowAt(scaleY, 0, sh, &at);
        while (more) {
            // This row and the following ones that sample the same source rows the same way.
            RowSamples rows{source.Row(at.row), source.Row(at.row + 1)};
            const int32_t sourceRow = at.row;
            const RowPath path = pathOf(at.weight);
            do {
                rows.fraction[rows.count] = at.fraction;
                rows.weight[rows.count] = at.weight;
                rows.out[rows.count] = destination.Row(i) + 3 * int64_t{first};
                ++rows.count;
                more = ++i < dh && RowAt(scaleY, i, sh, &at);
            } while (more && at.row == sourceRow && rows.count < RowSamples::kMostRows && pathOf(at.weight) == path);

            if (path == RowPath::kGather) {
                GatherRows(kernels, rows, chunk, step, lower);
                continue;
            }
            // The wide columns through the active level, the rest through the baseline,
            // which reads no byte past a pair.
            const bool dyadic = path == RowPath::kDyadic;
            if (!dyadic && !planned) {
                kernels.planBlocks(columns, chunk.wide, 3 * int64_t{sw}, &chunk.blocks);
                planned = true;
            }
            (dyadic ? kernels.interpolateDyadic : kernels.interpolate)(rows, columns, 0, chunk.wide);
            (dyadic ? baseline.interpolateDyadic : baseline.interpolate)(rows, columns, chunk.wide, chunk.count);
        }
    }
}
