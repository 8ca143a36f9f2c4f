// Row kernels of the skin mask, the colour centroid and the keyed blit, one set per
// instruction set level, all giving the bytes of the plain per-pixel formulas.
#pragma once

#include <cstdint>

#include "image/pixel.h"
#include "image/simd_level.h"

// The YCbCr box test in exact integer form. Each of Y, Cb and Cr is a sum of channels
// times weights of five decimals, so 100000 times its real value is an integer N, and
// the double the formula computes lies within 1e-12 of N / 100000. A truncated value
// exceeds the lower bound lo exactly when the double is at least lo + 1, which is
// decided by N alone unless N is exactly 100000 (lo + 1); likewise below the upper
// bound. Each bound thus becomes a margin: at least 0 means the test passes, -1 means
// N hit the bound exactly and only the double formula can tell, -2 or less means it
// fails. The box is the minimum of the six margins.
struct SkinBox {
    // Y numerator: 58661 G + 29891 R + 11448 B.
    int32_t lumaLow, lumaHigh;
    // Half the Cb numerator less its offset: 25000 B - 8437 R - 16563 G.
    int32_t blueLow, blueHigh;
    // The Cr numerator less its offset: 50000 R - 41869 G - 8131 B.
    int32_t redLow, redHigh;
    // The bounds themselves, for the exact test of the undecided pixels.
    YCbCrPixel lower, upper;
};
SkinBox MakeSkinBox(const YCbCrPixel& lower, const YCbCrPixel& upper);

// The plain test: convert with BgrToYCbCr and compare strictly.
bool InsideBox(const BgrPixel* pixel, const YCbCrPixel& lower, const YCbCrPixel& upper);

// The box test of `count` pixels by integer margins, undecided ones by InsideBox.
void MaskPixels(const uint8_t* source, uint8_t* mask, int32_t count, const SkinBox& box, BgrPixel inside,
                BgrPixel outside);

// Sets pixel k of mask by InsideBox for each bit k of undecided (k < 32).
void SettleUndecided(const uint8_t* source, uint8_t* mask, uint32_t undecided, const SkinBox& box, BgrPixel inside,
                     BgrPixel outside);

struct ColourKernels {
    // Mask pixel j = inside or outside colour, for source pixel j in the box or not.
    void (*mask)(const uint8_t* source, uint8_t* mask, int32_t count, const SkinBox& box, BgrPixel inside,
                 BgrPixel outside);
    // Adds the pixels equal to colour to *matches and their column numbers to *columnSum.
    void (*count)(const uint8_t* row, int32_t count, BgrPixel colour, int64_t* matches, int64_t* columnSum);
    // Copies every source pixel that differs from key over the destination pixel.
    void (*keyedCopy)(const uint8_t* source, uint8_t* destination, int32_t count, BgrPixel key);
};
const ColourKernels& BaselineColourKernels();
#if QM_HAVE_AVX2_KERNELS
const ColourKernels& Avx2ColourKernels();
const ColourKernels& Avx512ColourKernels();
#endif
// The kernels of the active level.
const ColourKernels& ActiveColourKernels();
