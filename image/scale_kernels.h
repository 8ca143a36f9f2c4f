// The resampling that ResizeImage does, fast: the same bytes as WarpImage through the
// pure scale matrix m0 = sw / dw, m4 = sh / dh, m8 = 1.
#pragma once

#include <array>
#include <cstdint>

#include "image/dib_image.h"
#include "image/simd_level.h"

// Both images must have pixels (HasPixels). Uses no heap memory.
void ScaleImage(const DibImage& source, DibImage& destination);

// Fractions that are whole multiples of these units make the bilinear value an exact
// rational number, which integer kernels compute: x = 64 fx and y = 128 fy.
constexpr int kColumnUnit = 64;  // so that 64 - x fits a signed byte weight
constexpr int kRowUnit = 128;
constexpr int kUnitShift = 13;  // log2 of kColumnUnit * kRowUnit

// Consecutive columns whose neighbour pairs lie in one 128-byte window of a source row,
// as the AVX-512 kernels read them; worked out once per resize rather than per row.
struct WindowBlock {
    // Per pair byte b (A0 A1 A2 B0 B1 B2): the vpermi2b control that puts byte b of
    // pixel p's pair, from a window starting at the block's first pair, in the low byte
    // of 64-bit lane p, with the high bytes of kBiasBits above it.
    alignas(64) int8_t lift[6][64];
    int32_t first, count;  // the columns, at most eight
    int32_t span;          // window bytes the pairs need
    bool full;             // eight columns with at least three more after them in the plan
    bool inside;           // the whole 128-byte window lies inside the row
};
struct WindowBlocks {
    static constexpr int kMostBlocks = 64;
    WindowBlock block[kMostBlocks];
    int count = 0;
    int32_t end = 0;  // the first column the blocks do not cover
};

// Where the destination columns sample the source rows, one entry per column: the byte
// offset of its left neighbour in a row, its fraction fx, and, when fx is a multiple of
// 1/64, its byte weights 64 - x, x three times over (one pair per channel) and two zero
// bytes, as the integer kernels multiply them.
struct ColumnSamples {
    const int32_t* offset;
    const double* fraction;
    const uint64_t* weights;
    const WindowBlocks* blocks;  // the AVX-512 kernels' plan of these columns, or null
};

// Destination rows that sample the same two source rows, iv (top) and iv + 1 (bottom),
// so that the neighbours are read and their differences formed once for all of them.
// Each row has its fraction fy, y = 128 fy when that is whole, and its pixels.
struct RowSamples {
    static constexpr int kMostRows = 4;
    const uint8_t* top;
    const uint8_t* bottom;
    int count = 0;
    double fraction[kMostRows] = {};
    int weight[kMostRows] = {};
    uint8_t* out[kMostRows] = {};
};

// Writes pixels first .. last - 1 of each destination row and nothing else.
using ScaleRowKernel = void (*)(const RowSamples& rows, const ColumnSamples& columns, int32_t first, int32_t last);

// The row kernels of one instruction set level. The baseline kernels read exactly the
// six bytes of each pixel's neighbour pair; the others may read the two bytes after a
// pair as well, so they are given only pixels whose pair lies that far inside the row.
struct ScaleRowKernels {
    // Pixel j of out = source pixel step * j, for j < count. The pixel after each
    // gathered one must exist (it does: it is the right neighbour).
    void (*gather)(const uint8_t* source, int32_t step, int32_t count, uint8_t* out);
    // upper[k] = (upper[k] * (128 - weight) + lower[k] * weight) >> 7, weight 1 .. 127.
    void (*blend)(uint8_t* upper, const uint8_t* lower, int32_t bytes, int weight);
    // The bilinear formula in double, in its order (BilinearValue), truncated.
    ScaleRowKernel interpolate;
    // The same bytes when every fx is a multiple of 1/64 and every fy of 1/128: then
    // the formula is exact, and its truncation is
    // ((A (64 - x) + B x) (128 - y) + (C (64 - x) + D x) y) >> 13.
    ScaleRowKernel interpolateDyadic;
    // Plans the blocks of columns 0 .. count - 1 for the interpolating kernels, or null
    // when the level needs no plan. rowBytes is the source row's length.
    void (*planBlocks)(const ColumnSamples& columns, int32_t count, int64_t rowBytes, WindowBlocks* blocks);
};
const ScaleRowKernels& BaselineScaleRowKernels();
const ScaleRowKernels& Avx2ScaleRowKernels();
const ScaleRowKernels& Avx512ScaleRowKernels();

// Neighbour pairs in 64-bit lanes, as the vector kernels hold them: the six bytes of a
// pixel's left and right neighbours (A0 A1 A2 B0 B1 B2, or C and D from the lower row),
// then two bytes that the double kernels set to the high bytes of kBiasBits.

// The vpshufb control (for up to four 128-bit lanes) that moves pair byte `byte` of
// each 64-bit lane to the lane's low byte, clears bytes 1 to 5 and keeps bytes 6 and 7:
// with the bias bits above, a lane becomes the double 2^52 + byte.
constexpr std::array<int8_t, 64> LiftControl(int byte)
{
    std::array<int8_t, 64> control{};
    for (int k = 0; k < 64; ++k) {
        const int lane = k / 8 % 2 * 8, position = k % 8;  // the 64-bit lane's start within its 128-bit lane
        control[k] = static_cast<int8_t>(position == 0 ? lane + byte : position >= 6 ? lane + position : -1);
    }
    return control;
}

// The pair byte order of the integer kernels, A0 B0 A1 B1 A2 B2: each channel's two
// neighbours side by side, for byte multiply-adds with the weights.
constexpr std::array<int, 6> kSideBySide{0, 3, 1, 4, 2, 5};
