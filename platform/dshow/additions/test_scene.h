// The built-in test camera's picture: a face-sized, skin-coloured head moving over a
// textured background whose colours all lie outside the skin box, under a fixed banner.
// Depends on nothing; the benchmarks use the same scene.
#pragma once

#include <cstdint>

namespace test_scene {

// Rows 0 .. kBannerRows - 1 (from the top) are the banner in every frame: pixel (x, y)
// of the banner is BannerPixel(x, y).
constexpr int kBannerRows = 8;

struct Bgr {
    uint8_t b, g, r;
};
Bgr BannerPixel(int x, int y);

// Where the head's centre is in a frame, in pixels from the top-left corner.
struct Point {
    double x, y;
};
Point HeadCentre(int width, int height, int frame);

// Draws frame number `frame` into 24-bit B, G, R rows, top row first, `stride` bytes
// apart. The padding bytes of each row are set to zero.
void Render(uint8_t* pixels, int width, int height, int stride, int frame);

}  // namespace test_scene
