// The per-pixel colour formulas that the skin mask, the centroid and the keyed blit and
// their row kernels share: whether two pixels are one colour, and YCbCr conversion. A
// leaf beneath both skin_overlay and colour_kernels.
#pragma once

#include <cstdint>

#include "image/pixel.h"

// 1 when the three bytes at a equal the three bytes at b, else 0.
int SameColour(const uint8_t* a, const uint8_t* b);

// Y = (0.58661 G + 0.29891 R) + 0.11448 B, Cb = (0.5 B - (0.16874 R + 0.33126 G)) + 128,
// Cr = ((0.5 R - 0.41869 G) - 0.08131 B) + 128, in double in this order, each then
// clamped and truncated (ClampToByte).
void BgrToYCbCr(const BgrPixel* in, YCbCrPixel* out);
