// An input's decoded video: linked into a pipeline, or played for a moment to learn the
// size of its pictures.
#pragma once

#include <string>

#include <gst/gst.h>

#include "camera_format.h"
#include "video_source.h"

namespace dshow {

// Adds the input's elements to bin and links its decoded video, at `size` for a camera,
// to the sink pad of downstream, an element already in bin. False, with the reason in
// *why, when the input cannot be opened or linked.
bool AddDecodedSource(const VideoSource& source, GstBin* bin, GstElement* downstream, FrameSize size, std::string* why);

// The size of a file's or a description's pictures, found by playing a copy of it until
// its first picture's format is known. False, with the reason in *why, when it has no
// video, cannot be played, or its pictures are beyond the bound; such pictures are
// refused before anything allocates one.
bool ProbeFrameSize(const VideoSource& source, FrameSize* size, std::string* why);

}  // namespace dshow
