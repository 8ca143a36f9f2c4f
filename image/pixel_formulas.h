// The per-pixel formulas that the whole-image operations and their row kernels share:
// clamping to a byte, bilinear interpolation, whether two pixels are one colour, and
// YCbCr conversion. A leaf beneath resample and scale_kernels, skin_overlay and
// colour_kernels.
#pragma once

#include <cstdint>

#include "image/pixel.h"

// A channel value as a byte: above 255 gives 255, below 0 or not a number gives 0,
// anything else is truncated toward zero.
uint8_t ClampToByte(double value);

// Bilinear interpolation between the source pixels at (iu, iv), (iu + 1, iv),
// (iu, iv + 1) and (iu + 1, iv + 1), fx and fy being the fractional parts of the source
// column and row. Each channel is ((A - B - C + D) fy + (B - A)) fx + (C - A) fy + A,
// evaluated in that order, then clamped.
void BilinearPixel(const BgrPixel* topLeft, const BgrPixel* topRight, const BgrPixel* bottomLeft,
                   const BgrPixel* bottomRight, const double& fx, const double& fy, BgrPixel* out);

// 1 when the three bytes at a equal the three bytes at b, else 0.
int SameColour(const uint8_t* a, const uint8_t* b);

// Y = (0.58661 G + 0.29891 R) + 0.11448 B, Cb = (0.5 B - (0.16874 R + 0.33126 G)) + 128,
// Cr = ((0.5 R - 0.41869 G) - 0.08131 B) + 128, in double in this order, each then
// clamped and truncated (ClampToByte).
void BgrToYCbCr(const BgrPixel* in, YCbCrPixel* out);
