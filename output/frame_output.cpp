#include "output/frame_output.h"

#include <cstdio>
#include <cstring>
#include <numeric>

#include <gst/app/gstappsrc.h>
#include <unistd.h>

#include "gst_support.h"

namespace {

// Frames the queue holds before it drops its oldest: about a second at the tick's pace.
constexpr guint64 kQueuedFrames = 32;

// GStreamer's message, with the system's reason when its details carry one.
std::string ErrorText(const GError* error, const gchar* debug)
{
    std::string text = error != nullptr ? error->message : "unknown error";
    const char* reason = debug != nullptr ? std::strstr(debug, "system error: ") : nullptr;
    if (reason != nullptr) text += std::string(" (") + (reason + std::strlen("system error: ")) + ")";
    return text;
}

// The first error on the bus, or an empty text.
std::string PopError(GstBus* bus)
{
    GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    if (message == nullptr) return "";
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    std::string text = ErrorText(error, debug);
    g_clear_error(&error);
    g_free(debug);
    gst_message_unref(message);
    return text;
}

GstPadProbeReturn CountPassed(GstPad*, GstPadProbeInfo*, gpointer passed)
{
    static_cast<std::atomic<uint64_t>*>(passed)->fetch_add(1, std::memory_order_relaxed);
    return GST_PAD_PROBE_OK;
}

}  // namespace

std::unique_ptr<FrameOutput> FrameOutput::Open(const std::string& name, const std::string& tail, int fileFd,
                                               std::string* error)
{
    std::unique_ptr<FrameOutput> output(new FrameOutput);
    output->name_ = name;
    output->fileFd_ = fileFd;
    if (!dshow::StartGStreamer()) {
        *error = "GStreamer could not be started";
        return nullptr;
    }

    // The frames are the program's own: 24-bit BGR rows, copied top row first.
    const std::string description = "appsrc name=frames format=time ! videoconvert ! " + tail;
    GError* parseError = nullptr;
    GstParseContext* context = gst_parse_context_new();
    GstElement* pipeline = gst_parse_launch_full(description.c_str(), context, GST_PARSE_FLAG_FATAL_ERRORS,
                                                 &parseError);
    gst_parse_context_free(context);
    if (pipeline == nullptr || parseError != nullptr) {
        *error = parseError != nullptr ? parseError->message : "not a pipeline description";
        g_clear_error(&parseError);
        if (pipeline != nullptr) gst_object_unref(pipeline);
        return nullptr;
    }
    output->pipeline_ = static_cast<GstElement*>(gst_object_ref_sink(pipeline));
    output->bus_ = gst_element_get_bus(pipeline);
    output->source_ = gst_bin_get_by_name(GST_BIN(pipeline), "frames");
    if (output->source_ == nullptr || !GST_IS_APP_SRC(output->source_)) {
        *error = "the description must not name an element \"frames\"";
        return nullptr;
    }
    if (fileFd != -1) {
        dshow::GstRef<GstElement> file(gst_bin_get_by_name(GST_BIN(pipeline), "file"));
        if (file) g_object_set(file.get(), "fd", fileFd, nullptr);
    }
    g_object_set(output->source_, "block", FALSE, "leaky-type", GST_APP_LEAKY_TYPE_DOWNSTREAM, "max-buffers",
                 kQueuedFrames, "max-bytes", guint64{0}, "max-time", guint64{0}, nullptr);
    dshow::GstRef<GstPad> queueOut(gst_element_get_static_pad(output->source_, "src"));
    gst_pad_add_probe(queueOut.get(), GST_PAD_PROBE_TYPE_BUFFER, CountPassed, &output->passed_, nullptr);

    if (gst_element_set_state(pipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        *error = PopError(output->bus_);
        if (error->empty()) *error = "it cannot be started";
        return nullptr;
    }
    // Non-live: the sink takes its first frame, and only then does the clock start, so
    // that frames timed from the first one are on time.
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        *error = PopError(output->bus_);
        if (error->empty()) *error = "it cannot be started";
        return nullptr;
    }
    return output;
}

FrameOutput::~FrameOutput()
{
    Stop();
    if (source_ != nullptr) gst_object_unref(source_);
    if (bus_ != nullptr) gst_object_unref(bus_);
    if (pipeline_ != nullptr) gst_object_unref(pipeline_);
}

bool FrameOutput::StartPool(const DibImage& frame)
{
    width_ = frame.Width();
    height_ = frame.Height();
    const dshow::CapsRef caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", "width", G_TYPE_INT,
                                                  width_, "height", G_TYPE_INT, height_, "framerate",
                                                  GST_TYPE_FRACTION, 0, 1, nullptr));
    gst_app_src_set_caps(GST_APP_SRC(source_), caps.get());
    pool_ = gst_buffer_pool_new();
    GstStructure* config = gst_buffer_pool_get_config(pool_);
    gst_buffer_pool_config_set_params(config, caps.get(), static_cast<guint>(frame.ImageSize()), 0, 0);
    return gst_buffer_pool_set_config(pool_, config) && gst_buffer_pool_set_active(pool_, TRUE);
}

void FrameOutput::Push(const DibImage& frame, uint64_t time, uint64_t duration)
{
    Poll();
    if (state_ != State::Running || !frame.HasRows()) return;
    if (pool_ == nullptr && !StartPool(frame)) {
        std::fprintf(stderr, "quenmire: %s stopped: no buffers for its frames\n", name_.c_str());
        failed_ = true;
        Stop();
        return;
    }
    if (frame.Width() != width_ || frame.Height() != height_) return;

    GstBuffer* buffer = nullptr;
    if (gst_buffer_pool_acquire_buffer(pool_, &buffer, nullptr) != GST_FLOW_OK) return;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        gst_buffer_unref(buffer);
        return;
    }
    // GStreamer's BGR rows have the bitmap's stride; only their order is the other way.
    const size_t stride = static_cast<size_t>(frame.ImageSize() / height_);
    for (int32_t row = 0; row < height_; ++row) std::memcpy(map.data + stride * row, frame.Row(row), stride);
    gst_buffer_unmap(buffer, &map);
    GST_BUFFER_PTS(buffer) = time;
    GST_BUFFER_DURATION(buffer) = duration;
    gst_app_src_push_buffer(GST_APP_SRC(source_), buffer);
    ++pushed_;
    end_ = time + duration;
}

void FrameOutput::Poll()
{
    while (state_ != State::Ended) {
        GstMessage* message = gst_bus_pop_filtered(bus_, GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
        if (message == nullptr) return;
        Handle(message);
        gst_message_unref(message);
    }
}

void FrameOutput::Handle(GstMessage* message)
{
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        std::fprintf(stderr, "quenmire: %s stopped, the picture goes on: %s\n", name_.c_str(),
                     ErrorText(error, debug).c_str());
        g_clear_error(&error);
        g_free(debug);
        failed_ = true;
        Stop();
    } else if (state_ == State::Ending) {
        const uint64_t dropped = pushed_ - passed_.load();
        std::fprintf(stderr, "quenmire: %s finished: %llu frames, %.2f s", name_.c_str(),
                     static_cast<unsigned long long>(pushed_ - dropped), static_cast<double>(end_) / GST_SECOND);
        if (dropped > 0) std::fprintf(stderr, "; %llu dropped when it fell behind", static_cast<unsigned long long>(dropped));
        std::fprintf(stderr, "\n");
        Stop();
    }
}

void FrameOutput::EndStream()
{
    if (state_ != State::Running) return;
    state_ = State::Ending;
    gst_app_src_end_of_stream(GST_APP_SRC(source_));
}

void FrameOutput::Finish(GstClockTime limit)
{
    Poll();
    EndStream();
    if (state_ != State::Ending) return;
    GstMessage* message =
        gst_bus_timed_pop_filtered(bus_, limit, GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
    if (message == nullptr) {
        std::fprintf(stderr, "quenmire: %s could not be finished within %.0f s\n", name_.c_str(),
                     static_cast<double>(limit) / GST_SECOND);
        failed_ = true;
        Stop();
        return;
    }
    Handle(message);
    gst_message_unref(message);
}

void FrameOutput::Stop()
{
    if (state_ == State::Ended) return;
    state_ = State::Ended;
    if (pipeline_ != nullptr) gst_element_set_state(pipeline_, GST_STATE_NULL);
    if (pool_ != nullptr) {
        gst_buffer_pool_set_active(pool_, FALSE);
        gst_object_unref(pool_);
        pool_ = nullptr;
    }
    if (fileFd_ != -1) {
        ::close(fileFd_);
        fileFd_ = -1;
    }
}
