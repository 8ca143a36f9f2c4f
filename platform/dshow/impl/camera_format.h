// Picture sizes: the bound on every source's, and the size a camera is asked for, 640 x
// 480 when it offers it, else the size it offers nearest to that.
#pragma once

#include <string>

#include <gst/gst.h>

#include "gst_support.h"

namespace dshow {

constexpr int kPreferredCameraWidth = 640;
constexpr int kPreferredCameraHeight = 480;

struct FrameSize {
    int width;
    int height;
};

// No source's pictures may be larger than this in either direction: one picture of
// 8192 x 8192 is 192 MB in BGR already.
constexpr int kMaxFrameDimension = 8192;

// "" when pictures of this size can be taken (at least 1 x 1, within the bound), else
// why not.
std::string WhyOutsideFrameBound(FrameSize size);

// The offered size with the least |width - 640| + |height - 480|, the first one on a
// tie; 640 x 480 when the caps name no sizes.
FrameSize ChooseCameraSize(const GstCaps* offered);

// The offered formats narrowed to one size, for a filter right behind the camera.
CapsRef RestrictToSize(GstCaps* offered, FrameSize size);

}  // namespace dshow
