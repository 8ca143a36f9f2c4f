// The built-in test camera's picture: a face-sized, skin-coloured head moving over a
// textured background whose colours all lie outside the skin box, under a fixed banner.
// Depends on nothing; the benchmarks use the same scene.
#pragma once

#include <cstdint>
#include <vector>

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

// What a picture holds from an earlier Render: its size, and the box of rows
// [top, bottom) and columns [left, right) that differs from the still picture.
struct Drawn {
    int width = 0, height = 0, stride = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Draws the same bytes as Render, keeping the still part of the picture between frames:
// only the box the head can reach in a frame is worked out again. For a camera that
// draws frame after frame at one size. Given `drawn`, what the pixels hold already, only
// the old head's box is put back to the still picture before the new head is drawn; the
// new box is written back to it.
class Renderer {
public:
    void Render(uint8_t* pixels, int width, int height, int stride, int frame, Drawn* drawn = nullptr);

private:
    std::vector<uint8_t> still_;     // banner and background, rows `stride_` bytes apart
    std::vector<double> columnDx2_;  // room for the head's columns
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
};

}  // namespace test_scene
