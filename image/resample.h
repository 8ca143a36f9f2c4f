// Projective resampling with bilinear interpolation, and image resizing built on it.
// All arithmetic is IEEE double in the order the formulas below give; conversions to
// integers truncate toward zero.
#pragma once

#include <cstdint>

#include "image/dib_image.h"
#include "image/pixel.h"
#include "image/pixel_formulas.h"

// A 3x3 projective map, row-major, from a destination pixel (x, y, 1) to homogeneous
// source coordinates: w = (m6 x + m7 y) + m8, u = ((m0 x + m1 y) + m2) / w is the source
// column and v = ((m3 x + m4 y) + m5) / w the source row.
struct WarpMatrix {
    double m[9];
};

// Writes every destination pixel whose source point has all four neighbours inside the
// source; the others keep what they held. Nothing happens when either image is empty.
// Source points that are not finite (w = 0 among them) or lie beyond the range of a
// 32-bit integer leave their pixel unwritten as well.
void WarpImage(const DibImage& source, DibImage& destination, const WarpMatrix& matrix);

// Makes destination a width x height resampled copy of source through the scale matrix
// m0 = source width / width, m4 = source height / height, m8 = 1 (a source of that very
// size is copied, header included). An empty source leaves destination untouched; a
// destination that cannot get storage is not written.
void ResizeImage(const DibImage& source, DibImage& destination, int width, int height);
