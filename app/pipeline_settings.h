// The fixed settings of the frame pipeline.
#pragma once

#include "image/pixel.h"

constexpr UINT_PTR kTickTimer = 0;
constexpr UINT kTickPeriodMs = 30;
constexpr int kCaptureDevice = 0;
constexpr int kDisplayWidth = 320;
constexpr int kDisplayHeight = 240;
constexpr int kTicksPerLogoFrame = 3;
constexpr YCbCrPixel kSkinLower{0, 77, 133};
constexpr YCbCrPixel kSkinUpper{255, 127, 177};
constexpr BgrPixel kLogoKey{255, 0, 0};
