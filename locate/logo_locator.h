// Where the logo goes on each tick's display image. The skin locator is the designed
// placement; the face locator (face_locator.h) is the opt-in alternative.
#pragma once

#include <vector>

#include "image/dib_image.h"
#include "image/pixel.h"
#include "locate/logo_placement.h"

class LogoLocator {
public:
    virtual ~LogoLocator() = default;
    // Replaces logos with the rectangles the logo frame is drawn into on display.
    virtual void Locate(const DibImage& display, std::vector<LogoRect>& logos) = 0;
};

// The pixels whose Y, Cb and Cr lie strictly inside a box.
struct SkinRange {
    YCbCrPixel lower, upper;
};

// One logo at the frame's own size, centred on the centroid of every skin-coloured pixel:
// the frame's top-left corner is the centroid less half the frame size, truncated toward
// zero. With no skin the centroid is (-1, -1).
class SkinLocator : public LogoLocator {
public:
    SkinLocator(SkinRange range, const DibImage& placementFrame);

    void Locate(const DibImage& display, std::vector<LogoRect>& logos) override;

    // The skin mask of display, whose skin pixels are kSkinPixel, and the placement on the
    // mask made last: the two halves of Locate.
    const DibImage& MakeMask(const DibImage& display);
    void PlaceOnMask(std::vector<LogoRect>& logos) const;
    static constexpr BgrPixel kSkinPixel{255, 255, 255};

private:
    SkinRange range_;
    double halfWidth_, halfHeight_;
    DibImage mask_;
};
