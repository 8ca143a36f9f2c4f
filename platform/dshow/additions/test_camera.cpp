#include "test_camera.h"

#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>

#include "block_lender.h"
#include "gst_support.h"
#include "test_scene.h"

namespace dshow {
namespace {

constexpr int kStride = GST_ROUND_UP_4(kTestCameraWidth * 3);

// Frames are drawn into blocks that earlier frames have given back, each noting what it
// holds, so that only the head's old and new boxes are drawn again.
using Blocks = BlockLender<test_scene::Drawn>;

struct TestCameraState {
    guint64 frame = 0;
    test_scene::Renderer renderer;
    std::shared_ptr<Blocks> blocks = Blocks::Make(static_cast<size_t>(kStride) * kTestCameraHeight);
};

// Runs on the source's streaming thread whenever it wants another frame.
void DrawNextFrame(GstAppSrc* source, guint, gpointer data)
{
    auto* state = static_cast<TestCameraState*>(data);
    std::unique_ptr<Blocks::Block> block = state->blocks->Take();
    if (block == nullptr) {
        return;
    }
    state->renderer.Render(block->data.get(), kTestCameraWidth, kTestCameraHeight, kStride,
                           static_cast<int>(state->frame), &block->note);
    GstBuffer* buffer = state->blocks->Lend(std::move(block), GST_MEMORY_FLAG_READONLY);
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
