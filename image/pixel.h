// The pixel types of the image operations, the test that an image has pixels to work
// on, and the opening of the operations that make a new picture from a source.
#pragma once

#include <cstdint>

#include "image/dib_image.h"

// One 24-bit pixel as an image row stores it: blue, green, red. Every colour constant
// of the program is written in this order.
struct BgrPixel {
    uint8_t b, g, r;
};

// Luma and the two chroma values, chroma offset by 128; also the bounds of a box in
// that space.
struct YCbCrPixel {
    uint8_t y, cb, cr;
};

static_assert(sizeof(BgrPixel) == 3 && alignof(BgrPixel) == 1, "a BgrPixel is the three bytes of a row pixel");
static_assert(sizeof(YCbCrPixel) == 3, "a YCbCrPixel is three bytes");

// An image operation works on an image only when it has a picture (an image size of at
// least 1) and rows to reach it by; anything else counts as empty.
inline bool HasPixels(const DibImage& image)
{
    return image.ImageSize() >= 1 && image.HasRows();
}

// Gets output ready for a new picture made from source. Nothing is to be done when
// source is empty. An output without pixels starts afresh, so that storage lost to a
// failed allocation is tried for again; then `reformat` gives it the format it needs, if
// it lacks it. True when the output has pixels to write.
template <class Reformat>
bool ReadyOutput(const DibImage& source, DibImage& output, Reformat reformat)
{
    if (!HasPixels(source)) {
        return false;
    }
    if (!HasPixels(output)) {
        output.Clear();
    }
    reformat(output);
    return HasPixels(output);
}

// Pixel x of a row, as the pixel type.
inline const BgrPixel* PixelAt(const uint8_t* row, int64_t x)
{
    return reinterpret_cast<const BgrPixel*>(row + 3 * x);
}
inline BgrPixel* PixelAt(uint8_t* row, int64_t x)
{
    return reinterpret_cast<BgrPixel*>(row + 3 * x);
}
