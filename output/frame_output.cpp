#include "output/frame_output.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <numeric>

#include <gst/app/gstappsrc.h>
#include <pthread.h>
#include <unistd.h>

#include "block_lender.h"
#include "gst_support.h"

namespace {

// What the queue holds before it drops its oldest frame: three seconds at the tick's
// pace, enough for an encoder to start up and get over a busy moment, and at most 64 MiB
// of pictures.
constexpr guint64 kQueuedFrames = 100;
constexpr guint64 kQueuedBytes = guint64{64} << 20;
// How often the hand-off thread looks into the mailbox: well inside a tick, so that a
// frame reaches its sink at most this late.
constexpr auto kHandOffPeriod = std::chrono::milliseconds(10);

// GStreamer's words for an error message, with the system's reason when its details
// carry one.
std::string ErrorText(GstMessage* message)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    std::string text = error != nullptr ? error->message : "unknown error";
    const char* reason = debug != nullptr ? std::strstr(debug, "system error: ") : nullptr;
    if (reason != nullptr) text += std::string(" (") + (reason + std::strlen("system error: ")) + ")";
    g_clear_error(&error);
    g_free(debug);
    return text;
}

// The first error on the bus, or an empty text.
std::string PopError(GstBus* bus)
{
    GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    if (message == nullptr) return "";
    std::string text = ErrorText(message);
    gst_message_unref(message);
    return text;
}

GstPadProbeReturn CountPassed(GstPad*, GstPadProbeInfo*, gpointer passed)
{
    static_cast<std::atomic<uint64_t>*>(passed)->fetch_add(1, std::memory_order_relaxed);
    return GST_PAD_PROBE_OK;
}

}  // namespace

// Reused pixel blocks of one frame's size: a tick copies its frame into a block that an
// earlier frame has given back, and neither allocates nor touches new pages.
struct FrameOutput::Blocks {
    struct NoNote {};
    std::shared_ptr<dshow::BlockLender<NoNote>> lender;
};

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
    GstElement* pipeline =
        gst_parse_launch_full(description.c_str(), nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &parseError);
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
                 kQueuedFrames, "max-bytes", kQueuedBytes, "max-time", guint64{0}, nullptr);
    gst_bus_set_sync_handler(output->bus_, Notice, output.get(), nullptr);
    dshow::GstRef<GstPad> queueOut(gst_element_get_static_pad(output->source_, "src"));
    gst_pad_add_probe(queueOut.get(), GST_PAD_PROBE_TYPE_BUFFER, CountPassed, &output->passed_, nullptr);

    // READY opens the sink's device or file, so that what cannot run shows now. Then, not
    // live, the sink takes the first frame before the clock starts, so that frames timed
    // from the first one are on time.
    for (const GstState state : {GST_STATE_READY, GST_STATE_PLAYING}) {
        if (gst_element_set_state(pipeline, state) == GST_STATE_CHANGE_FAILURE) {
            *error = PopError(output->bus_);
            if (error->empty()) *error = "it cannot be started";
            return nullptr;
        }
    }
    output->handOff_ = std::thread(&FrameOutput::HandOff, output.get());
    return output;
}

FrameOutput::~FrameOutput()
{
    Stop();
    if (bus_ != nullptr) gst_bus_set_sync_handler(bus_, nullptr, nullptr, nullptr);
    if (source_ != nullptr) gst_object_unref(source_);
    if (bus_ != nullptr) gst_object_unref(bus_);
    if (pipeline_ != nullptr) gst_object_unref(pipeline_);
}

void FrameOutput::Push(const DibImage& frame, uint64_t time, uint64_t duration)
{
    Poll();
    if (state_ != State::Running || !frame.HasRows() || frame.ImageSize() <= 0) return;
    if (!blocks_) {
        width_ = frame.Width();
        height_ = frame.Height();
        const dshow::CapsRef caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", "width",
                                                      G_TYPE_INT, width_, "height", G_TYPE_INT, height_, "framerate",
                                                      GST_TYPE_FRACTION, 0, 1, nullptr));
        gst_app_src_set_caps(GST_APP_SRC(source_), caps.get());
        blocks_.reset(new Blocks{dshow::BlockLender<Blocks::NoNote>::Make(static_cast<size_t>(frame.ImageSize()))});
    }
    if (frame.Width() != width_ || frame.Height() != height_) return;

    // GStreamer's BGR rows have the bitmap's stride, only their order is the other way.
    dshow::BlockLender<Blocks::NoNote>& lender = *blocks_->lender;
    auto block = lender.Take();
    if (block == nullptr) return;  // out of memory: the frame is left out
    const size_t stride = lender.Bytes() / static_cast<size_t>(height_);
    for (int32_t row = 0; row < height_; ++row) std::memcpy(block->data.get() + stride * row, frame.Row(row), stride);
    GstBuffer* buffer = lender.Lend(std::move(block), GstMemoryFlags(0));
    GST_BUFFER_PTS(buffer) = time;
    GST_BUFFER_DURATION(buffer) = duration;
    {
        const std::lock_guard<std::mutex> lock(mailboxMutex_);
        // Bounded like the queue behind it, should the hand-off thread be kept waiting.
        if (mailbox_.size() >= kQueuedFrames) {
            gst_buffer_unref(mailbox_.front());
            mailbox_.erase(mailbox_.begin());
        }
        mailbox_.push_back(buffer);
    }
    ++pushed_;
    end_ = time + duration;
}

void FrameOutput::HandOff()
{
    pthread_setname_np(pthread_self(), "frame hand-off");
    std::vector<GstBuffer*> frames;
    std::unique_lock<std::mutex> lock(mailboxMutex_);
    while (!handOffStopping_) {
        stopHandOff_.wait_for(lock, kHandOffPeriod, [this] { return handOffStopping_; });
        frames.swap(mailbox_);
        const bool endOfStream = endOfStream_;
        endOfStream_ = false;
        lock.unlock();
        for (GstBuffer* buffer : frames) gst_app_src_push_buffer(GST_APP_SRC(source_), buffer);
        frames.clear();
        if (endOfStream) gst_app_src_end_of_stream(GST_APP_SRC(source_));
        lock.lock();
    }
}

GstBusSyncReply FrameOutput::Notice(GstBus*, GstMessage* message, gpointer self)
{
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR || GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
        static_cast<FrameOutput*>(self)->reported_.store(true);
    }
    return GST_BUS_PASS;
}

void FrameOutput::Poll()
{
    // The bus is read only once there is something to read: a tick costs one load.
    if (!reported_.exchange(false)) return;
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
        std::fprintf(stderr, "quenmire: %s stopped, the picture goes on: %s\n", name_.c_str(),
                     ErrorText(message).c_str());
        failed_ = true;
        Stop();
    } else if (state_ == State::Ending) {
        // An output that never got a frame has nothing to tell.
        if (pushed_ > 0) {
            const uint64_t dropped = pushed_ - passed_.load();
            std::fprintf(stderr, "quenmire: %s finished: %llu frames, %.2f s", name_.c_str(),
                         static_cast<unsigned long long>(pushed_ - dropped), static_cast<double>(end_) / GST_SECOND);
            if (dropped > 0) {
                std::fprintf(stderr, "; %llu dropped when it fell behind", static_cast<unsigned long long>(dropped));
            }
            std::fprintf(stderr, "\n");
        }
        Stop();
    }
}

void FrameOutput::EndStream()
{
    if (state_ != State::Running) return;
    state_ = State::Ending;
    const std::lock_guard<std::mutex> lock(mailboxMutex_);
    endOfStream_ = true;
}

void FrameOutput::Finish(GstClockTime limit)
{
    Poll();
    EndStream();
    if (state_ != State::Ending) return;
    GstMessage* message = gst_bus_timed_pop_filtered(bus_, limit, GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
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
    if (handOff_.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(mailboxMutex_);
            handOffStopping_ = true;
        }
        stopHandOff_.notify_one();
        handOff_.join();
    }
    for (GstBuffer* buffer : mailbox_) gst_buffer_unref(buffer);
    mailbox_.clear();
    if (pipeline_ != nullptr) gst_element_set_state(pipeline_, GST_STATE_NULL);
    if (fileFd_ != -1) {
        ::close(fileFd_);
        fileFd_ = -1;
    }
}
