// The resampling that ResizeImage does, fast: the same bytes as WarpImage through the
// pure scale matrix m0 = sw / dw, m4 = sh / dh, m8 = 1.
#pragma once

#include <cstdint>

#include "image/dib_image.h"
#include "image/simd_level.h"

// Both images must have pixels (HasPixels). Uses no heap memory.
void ScaleImage(const DibImage& source, DibImage& destination);

// The row kernels of one instruction set level.
struct ScaleRowKernels {
    // Pixel j of out = source pixel step * j, for j < count. The pixel after each
    // gathered one must exist (it does: it is the right neighbour).
    void (*gather)(const uint8_t* source, int32_t step, int32_t count, uint8_t* out);
    // upper[k] = (upper[k] * (128 - weight) + lower[k] * weight) >> 7, weight 1 .. 127.
    void (*blend)(uint8_t* upper, const uint8_t* lower, int32_t bytes, int weight);
};
const ScaleRowKernels& BaselineScaleRowKernels();
const ScaleRowKernels& Avx2ScaleRowKernels();
const ScaleRowKernels& Avx512ScaleRowKernels();
