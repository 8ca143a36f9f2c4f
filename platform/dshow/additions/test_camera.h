// The built-in test camera: the test scene drawn frame after frame, 640 x 480 at 30
// frames a second, so that the program has a picture on a machine without a camera.
#pragma once

#include <gst/gst.h>

namespace dshow {

constexpr int kTestCameraWidth = 640;
constexpr int kTestCameraHeight = 480;
constexpr int kTestCameraFramesPerSecond = 30;

// A new (floating) source element that delivers the scene as BGR frames, timestamped
// so that a synchronising sink plays them at the camera's rate.
GstElement* CreateTestCameraElement();

}  // namespace dshow
