// Which video inputs the system device enumerator offers (Linux only). The application
// maps its command line onto these settings; tests leave the machine's cameras out.
#pragma once

#include <string>
#include <vector>

namespace dshow {

// The friendly name of the built-in test camera.
extern const char kTestCameraName[];

// Offered in this order: the machine's cameras, the test camera, the named sources.
struct VideoInputSettings {
    bool realCameras = true;
    bool testCamera = true;
    // Each names a video file, played in a loop like a camera that never ends, or else
    // is a GStreamer launch description ("videotestsrc pattern=ball").
    std::vector<std::string> sources;
};

void SetVideoInputSettings(const VideoInputSettings& settings);
VideoInputSettings GetVideoInputSettings();

// Whether a named source can be used: a file must be a readable regular file, a
// description must build, and either must show a first picture of at most 8192 pixels a
// side (kMaxFrameDimension) within a few seconds. False, with the reason in *why, when
// not: a missing file, a FIFO, a device or a folder, a file with no video stream, ...
bool CheckVideoSource(const std::string& entry, std::string* why);

}  // namespace dshow
