// Pictures for the locator's tests: plain colours with painted boxes.
#pragma once

#include "image/dib_image.h"
#include "image/pixel.h"
#include "locate/logo_placement.h"

namespace locate_test {

inline void Paint(DibImage& image, const FaceBox& box, BgrPixel colour)
{
    for (int y = box.y; y < box.y + box.height; ++y) {
        for (int x = box.x; x < box.x + box.width; ++x) *PixelAt(image.Row(y), x) = colour;
    }
}

inline DibImage Picture(int width, int height, BgrPixel colour)
{
    DibImage image;
    image.SetSize(width, height);
    Paint(image, FaceBox{0, 0, width, height}, colour);
    return image;
}

}  // namespace locate_test
