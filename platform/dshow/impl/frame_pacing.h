// Pictures whose timestamps do not advance (all zero, or none at all) would be shown as
// fast as they can be decoded: they get steady timestamps instead.
#pragma once

#include <gst/gst.h>

namespace dshow {

// The stream's nominal rate, when its format gives none.
constexpr int kDefaultFramesPerSecond = 30;

// From now on, a picture passing `pad` whose timestamp is missing or not later than the
// one before it is stamped one frame period of the stream's nominal rate after that one.
// Timestamps that advance pass unchanged; each new segment (a seek, the start of a new
// loop of a file) starts afresh.
void PaceFrames(GstPad* pad);

}  // namespace dshow
