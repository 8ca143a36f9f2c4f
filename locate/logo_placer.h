// The program's logo placement: by skin colour (the designed placement, the default) or on
// faces, switchable while the program runs. The tick calls Draw; the choice at start comes
// from the command line.
#pragma once

#include <memory>
#include <vector>

#include "locate/face_locator.h"
#include "locate/logo_locator.h"

enum class LocateMode { kSkin, kFace };

// The mode the program starts in: kSkin unless set before the dialog starts.
void SetStartingLocateMode(LocateMode mode);
LocateMode StartingLocateMode();

class LogoPlacer {
public:
    // placementFrame gives the size every frame is placed with, and the logo's drawn part.
    LogoPlacer(SkinRange range, const DibImage& placementFrame, BgrPixel key, LocateMode mode);

    // The first switch to faces starts the face locator, which is kept for later switches.
    void SetMode(LocateMode mode);
    LocateMode Mode() const { return mode_; }

    // Draws frame at every logo place the current mode finds on display.
    void Draw(DibImage& display, const DibImage& frame);
    // True, with its top-left corner, when the last Draw drew one logo at the frame's own
    // size (as the skin placement always does).
    bool OneFrameSizedLogo(int* x, int* y) const;
    // Where the last Draw drew the frame, as DrawLogo takes it.
    const std::vector<LogoRect>& Logos() const { return logos_; }

private:
    SkinRange range_;
    DibImage placementFrame_;
    BgrPixel key_;
    LocateMode mode_ = LocateMode::kSkin;
    SkinLocator skin_;
    std::unique_ptr<FaceLocator> face_;
    std::vector<LogoRect> logos_;
};
