// Keeps every source's pictures within the bound: a video format beyond it is refused at
// the element that offers it, before that element allocates a picture in it.
#pragma once

#include <functional>
#include <string>

#include <gst/gst.h>

#include "camera_format.h"

namespace dshow {

// Told, on a streaming thread, of each refused size and why it was refused.
using SizeRefused = std::function<void(FrameSize size, const std::string& why)>;

// Watches every element that bin gains from now on, at any depth, with the pads it gains.
void GuardFrameSize(GstBin* bin, SizeRefused refused);

}  // namespace dshow
