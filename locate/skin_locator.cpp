#include <cstdint>

#include "image/skin_overlay.h"
#include "locate/logo_locator.h"

namespace {
constexpr BgrPixel kNotSkinPixel{0, 0, 0};
constexpr double kHalf = 0.5;
}  // namespace

SkinLocator::SkinLocator(SkinRange range, const DibImage& placementFrame)
    : range_(range),
      halfWidth_(static_cast<double>(placementFrame.Width()) * kHalf),
      halfHeight_(static_cast<double>(placementFrame.Height()) * kHalf)
{}

const DibImage& SkinLocator::MakeMask(const DibImage& display)
{
    YCbCrRangeMask(display, mask_, range_.lower, range_.upper, kSkinPixel, kNotSkinPixel);
    return mask_;
}

void SkinLocator::Locate(const DibImage& display, std::vector<LogoRect>& logos)
{
    MakeMask(display);
    PlaceOnMask(logos);
}

void SkinLocator::PlaceOnMask(std::vector<LogoRect>& logos) const
{
    double cx = 0.0;
    double cy = 0.0;
    ColourCentroid(mask_, kSkinPixel, cx, cy);
    // Truncated toward zero. Logo sizes are bounded, so both fit an int.
    logos.assign(1, LogoRect{static_cast<int32_t>(cx - halfWidth_), static_cast<int32_t>(cy - halfHeight_)});
}
