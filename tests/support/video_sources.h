// Video inputs for tests: device settings without the machine's cameras, short video
// files written with GStreamer, and bounded waits for what streaming threads deliver.
#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gst/gst.h>

#include "video_inputs.h"

namespace test_support {

// The test camera (when asked for) and the named sources; never a real camera.
inline dshow::VideoInputSettings TestInputs(bool testCamera, std::vector<std::string> sources = {})
{
    dshow::VideoInputSettings settings;
    settings.realCameras = false;
    settings.testCamera = testCamera;
    settings.sources = std::move(sources);
    return settings;
}

// A description that delivers pictures of a given size, through an identity element
// with the given properties (error-after=N makes the stream fail at its N-th picture).
inline std::string PatternSource(int width, int height, const std::string& identityProperties = "")
{
    return "videotestsrc ! video/x-raw,width=" + std::to_string(width) + ",height=" + std::to_string(height) +
           ",framerate=30/1 ! identity " + identityProperties;
}

// Writes `frames` frames of width x height as Motion JPEG in an AVI file. False when
// GStreamer could not write it within a few seconds.
inline bool WriteTestVideo(const std::string& path, int width, int height, int frames)
{
    gst_init(nullptr, nullptr);
    const std::string description =
        "videotestsrc num-buffers=" + std::to_string(frames) + " ! video/x-raw,width=" + std::to_string(width) +
        ",height=" + std::to_string(height) + ",framerate=30/1 ! jpegenc ! avimux ! filesink location=\"" + path + "\"";
    GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
    if (pipeline == nullptr) {
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message =
        gst_bus_timed_pop_filtered(bus, 10 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool written = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message != nullptr) {
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return written;
}

// Waits up to `timeout` for a condition that streaming threads make true.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace test_support
