// The picture that outputs get when they ask for another size than the display image's:
// the camera frame resized to that size, and each logo of the display scaled by the same
// factors and pasted at its scaled position. The display image and the snapshots are not
// touched.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "image/dib_image.h"
#include "image/pixel.h"
#include "image/skin_overlay.h"

struct OutputSize {
    int width = 0;  // 0 with camera false: the display image as it is
    int height = 0;
    bool camera = false;  // the camera frame's own size, as its first frame has it
};

// The largest output picture in either direction.
constexpr int kMaxOutputDimension = 7680;

// "WxH" (even numbers from 2 to kMaxOutputDimension, as video encoders need them) or
// "camera"; false with the reason in *error for anything else.
bool ParseOutputSize(const std::string& text, OutputSize* size, std::string* error);

// Where a tick pasted the logo on the display image; frame null when it pasted none. The
// frame at its own size has its top-left corner at (x, y), unless scaled lists the
// rectangles it was drawn scaled into instead (one for each face).
struct LogoPlacement {
    const DibImage* frame = nullptr;
    int x = 0;
    int y = 0;
    BgrPixel key{};
    std::span<const ImageRect> scaled{};
};

class ScaledFrame {
public:
    void SetSize(const OutputSize& size);
    // The outputs' picture for this tick: the display image itself when no size was
    // given; null while there is no picture yet (no camera frame for "camera").
    const DibImage* Compose(const DibImage& display, const DibImage& camera, const LogoPlacement& logo);

private:
    const DibImage& Scaled(const DibImage& logo, int width, int height);

    OutputSize size_;
    DibImage picture_;
    std::vector<std::pair<const DibImage*, DibImage>> logos_;  // each logo frame scaled once
    std::vector<int32_t> columns_;                             // ScaledKeyedBlit's working space, the picture's width
};
