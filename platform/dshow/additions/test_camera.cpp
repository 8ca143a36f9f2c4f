#include "test_camera.h"

#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>

#include "gst_support.h"
#include "test_scene.h"

namespace dshow {
namespace {

struct TestCameraState {
    guint64 frame = 0;
    test_scene::Renderer renderer;
};

constexpr int kStride = GST_ROUND_UP_4(kTestCameraWidth * 3);

// Runs on the source's streaming thread whenever it wants another frame.
void DrawNextFrame(GstAppSrc* source, guint, gpointer data)
{
    auto* state = static_cast<TestCameraState*>(data);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, kStride * kTestCameraHeight, nullptr);
    if (buffer == nullptr) {
        return;
    }
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        state->renderer.Render(map.data, kTestCameraWidth, kTestCameraHeight, kStride, static_cast<int>(state->frame));
        gst_buffer_unmap(buffer, &map);
    }
    GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(state->frame, GST_SECOND, kTestCameraFramesPerSecond);
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(1, GST_SECOND, kTestCameraFramesPerSecond);
    ++state->frame;
    gst_app_src_push_buffer(source, buffer);
}

void DeleteState(gpointer data)
{
    delete static_cast<TestCameraState*>(data);
}

}  // namespace

GstElement* CreateTestCameraElement()
{
    GstElement* element = gst_element_factory_make("appsrc", nullptr);
    if (element == nullptr) {
        return nullptr;
    }
    CapsRef caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", "width", G_TYPE_INT,
                                     kTestCameraWidth, "height", G_TYPE_INT, kTestCameraHeight, "framerate",
                                     GST_TYPE_FRACTION, kTestCameraFramesPerSecond, 1, nullptr));
    g_object_set(element, "caps", caps.get(), "format", GST_FORMAT_TIME, nullptr);
    GstAppSrcCallbacks callbacks{};
    callbacks.need_data = DrawNextFrame;
    gst_app_src_set_callbacks(GST_APP_SRC(element), &callbacks, new TestCameraState, DeleteState);
    return element;
}

}  // namespace dshow
