// The video inputs that the device enumerator offers, and the GStreamer elements that
// produce their pictures.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gst/gst.h>

#include "gst_support.h"

namespace dshow {

enum class SourceKind { Camera, TestCamera, File, Description };

struct VideoSource {
    SourceKind kind;
    std::string friendlyName;           // UTF-8
    std::string location;               // the file's path or the launch description
    std::shared_ptr<GstDevice> device;  // cameras only
};

// The inputs the settings ask for, in the order offered.
std::vector<VideoSource> ListVideoSources();

// The input that a named source is: a file when the entry names anything on disk, else a
// launch description.
VideoSource NamedSource(const std::string& entry);

// A new element whose one source pad delivers the input's stream, raw or encoded; null
// when the input cannot be opened, with the reason in *why.
GstRef<GstElement> CreateSourceElement(const VideoSource& source, std::string* why);

// Files and descriptions start again when they end; cameras do not end.
bool RestartsAtEnd(SourceKind kind);

}  // namespace dshow
