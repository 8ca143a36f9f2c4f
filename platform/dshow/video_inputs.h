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

}  // namespace dshow
