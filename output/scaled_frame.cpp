#include "output/scaled_frame.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/resample.h"
#include "image/skin_overlay.h"

namespace {

// value x to / from, rounded toward minus infinity, so that positions left of or above
// the picture scale as those inside it do.
int ScaleDown(int64_t value, int64_t to, int64_t from)
{
    const int64_t product = value * to;
    return static_cast<int>(product >= 0 ? product / from : -((-product + from - 1) / from));
}

bool ParseDimension(const std::string& text, int* value)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *value = std::atoi(text.c_str());
    return *value >= 2 && *value <= kMaxOutputDimension && *value % 2 == 0;
}

// Nearest-neighbour scaling keeps the key colour exact, so the scaled logo keeps its
// outline.
void ScaleNearest(const DibImage& source, DibImage& destination, int width, int height)
{
    if (destination.SetSize(width, height) != 0 || !destination.HasRows()) return;
    for (int y = 0; y < height; ++y) {
        const uint8_t* from = source.Row(static_cast<int32_t>(int64_t{y} * source.Height() / height));
        uint8_t* to = destination.Row(y);
        for (int x = 0; x < width; ++x) std::memcpy(to + 3 * x, from + 3 * (int64_t{x} * source.Width() / width), 3);
    }
}

}  // namespace

bool ParseOutputSize(const std::string& text, OutputSize* size, std::string* error)
{
    if (text == "camera") {
        *size = OutputSize{0, 0, true};
        return true;
    }
    const size_t x = text.find('x');
    OutputSize parsed;
    if (x != std::string::npos && ParseDimension(text.substr(0, x), &parsed.width) &&
        ParseDimension(text.substr(x + 1), &parsed.height)) {
        *size = parsed;
        return true;
    }
    *error = "--output-size takes WIDTHxHEIGHT, even numbers from 2 to " + std::to_string(kMaxOutputDimension) +
             ", or 'camera'; not '" + text + "'";
    return false;
}

void ScaledFrame::SetSize(const OutputSize& size)
{
    size_ = size;
    picture_ = DibImage();
    logos_.clear();
}

const DibImage* ScaledFrame::Compose(const DibImage& display, const DibImage& camera, const LogoPlacement& logo)
{
    if (size_.width == 0 && !size_.camera) return &display;
    if (!picture_.HasRows()) {
        const int width = size_.camera ? camera.Width() : size_.width;
        const int height = size_.camera ? camera.Height() : size_.height;
        if (camera.ImageSize() <= 0 && size_.camera) return nullptr;
        if (picture_.SetSize(width, height) != 0 || !picture_.HasRows()) return nullptr;
        std::memset(picture_.Bits(), 0, static_cast<size_t>(picture_.ImageSize()));
        columns_.assign(static_cast<size_t>(width), 0);
    }
    // Enlarging leaves the last row and column, whose source points lack neighbours,
    // unwritten: black, rather than what the last logo left there. Without a camera frame
    // the last picture stays, as it does on the display.
    if (camera.ImageSize() > 0 && (camera.Width() < picture_.Width() || camera.Height() < picture_.Height())) {
        std::memset(picture_.Bits(), 0, static_cast<size_t>(picture_.ImageSize()));
    }
    ResizeImage(camera, picture_, picture_.Width(), picture_.Height());
    if (logo.frame != nullptr && logo.frame->ImageSize() > 0 && display.Width() > 0 && display.Height() > 0) {
        const int width = picture_.Width();
        const int height = picture_.Height();
        const auto scale = [&](const ImageRect& rect) {
            return ImageRect{ScaleDown(rect.x, width, display.Width()), ScaleDown(rect.y, height, display.Height()),
                             ScaleDown(rect.width, width, display.Width()),
                             ScaleDown(rect.height, height, display.Height())};
        };
        if (logo.scaled.empty()) {
            const ImageRect at = scale(ImageRect{logo.x, logo.y, logo.frame->Width(), logo.frame->Height()});
            KeyedBlit(picture_, Scaled(*logo.frame, at.width, at.height), at.x, at.y, logo.key);
        }
        // Logos scaled on the display are scaled from the frame again, each to its own
        // size, so that no size is kept from tick to tick.
        for (const ImageRect& rect : logo.scaled)
            ScaledKeyedBlit(picture_, *logo.frame, scale(rect), logo.key, columns_);
    }
    return &picture_;
}

const DibImage& ScaledFrame::Scaled(const DibImage& logo, int width, int height)
{
    for (const auto& [source, scaled] : logos_) {
        if (source == &logo && scaled.Width() == width && scaled.Height() == height) return scaled;
    }
    logos_.emplace_back(&logo, DibImage());
    ScaleNearest(logo, logos_.back().second, width, height);
    return logos_.back().second;
}
