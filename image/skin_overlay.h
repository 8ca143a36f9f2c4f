// Per-pixel colour operations that find a skin-coloured region and cover it: YCbCr
// conversion, a two-colour mask of the pixels inside a YCbCr box, the centroid of one
// colour and a blit with a transparent key colour. Coordinates count columns from the
// left and rows from the top.
#pragma once

#include <cstdint>
#include <span>

#include "image/dib_image.h"
#include "image/pixel.h"
#include "image/pixel_formulas.h"

// 1 when the widths or the heights differ, else 0.
int SizeDiffers(const DibImage& a, const DibImage& b);

// Makes mask the size of source (adopting its header when the sizes differ) and sets
// each of its pixels to inside when the source pixel's Y, Cb and Cr all lie strictly
// between lower and upper, else to outside. An empty source leaves mask untouched; a
// mask that cannot get storage is not written.
void YCbCrRangeMask(const DibImage& source, DibImage& mask, const YCbCrPixel& lower, const YCbCrPixel& upper,
                    BgrPixel inside, BgrPixel outside);

// The mean column and mean row of the pixels equal to colour, or -1.0 and -1.0 when
// there is none. An empty image leaves x and y as they were.
void ColourCentroid(const DibImage& image, BgrPixel colour, double& x, double& y);

// Copies source onto destination with its top-left pixel at column x, row y (either may
// be negative), skipping pixels equal to key and those that fall outside destination.
void KeyedBlit(DibImage& destination, const DibImage& source, int x, int y, BgrPixel key);

// A rectangle of pixels: its top-left corner at column x, row y, and its size.
struct ImageRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Draws source scaled into rect on destination, skipping pixels equal to key and those
// that fall outside destination: each drawn pixel takes its nearest source pixel, the one
// at its offset in rect times the source's size over rect's, rounded down. A rect without
// width or height draws nothing. columns is working space for the source column of each
// drawn column: the clipped columns are drawn in runs of its size, so any rect is drawn
// whole, in one run when columns holds the destination's width. It must not be empty.
void ScaledKeyedBlit(DibImage& destination, const DibImage& source, const ImageRect& rect, BgrPixel key,
                     std::span<int32_t> columns);
