#include "stream_chain.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "decoded_source.h"
#include "frame_pacing.h"
#include "size_guard.h"

namespace dshow {

// Whether the chain is meant to play, shared with whatever starts it again at its end.
struct ChainRunning {
    std::mutex mutex;
    bool playing = false;  // under mutex
};

namespace {

// What the bus handler needs; it lives as long as the pipeline's bus handler does.
struct ChainEvents {
    std::string sourceName;
    bool restartsAtEnd;
    std::shared_ptr<GrabberState> grabber;
    std::shared_ptr<ChainRunning> running;
    // Samples seen when the stream last started again; a stream that ends again without a
    // new sample is left at its end instead of being restarted over and over.
    std::atomic<uint64_t> samplesAtRestart{0};
};

using RunningShare = std::shared_ptr<ChainRunning>;

void DeleteRunningShare(gpointer data)
{
    delete static_cast<RunningShare*>(data);
}

// Back to the start: by a seek, or, for a stream that cannot seek (a bare Motion JPEG
// file), by starting it anew. Never once the chain was stopped.
void StartAgain(GstElement* pipeline, gpointer data)
{
    ChainRunning& running = **static_cast<RunningShare*>(data);
    std::lock_guard lock(running.mutex);
    if (running.playing && !gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
                                                    GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0)) {
        gst_element_set_state(pipeline, GST_STATE_READY);
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
    }
}

// Runs on whichever thread posts: it only records, reports and schedules. Nobody reads
// the bus, so every message ends here; a handler that drops a message owns it.
GstBusSyncReply WatchChainBus(GstBus*, GstMessage* message, gpointer data)
{
    auto* events = static_cast<ChainEvents*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* rawError = nullptr;
        gst_message_parse_error(message, &rawError, nullptr);
        GErrorRef error(rawError);
        ++events->grabber->streamErrors;
        TellAboutSource(events->sourceName,
                        std::string("stream stopped: ") + (error ? error->message : "unknown error"));
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS && events->restartsAtEnd &&
               GST_IS_PIPELINE(GST_MESSAGE_SRC(message))) {
        const uint64_t samples = events->grabber->samplesReceived;
        if (samples != events->samplesAtRestart.exchange(samples)) {
            // Seeking from a streaming thread is not allowed; GStreamer's own thread does it.
            gst_element_call_async(GST_ELEMENT(GST_MESSAGE_SRC(message)), StartAgain, new RunningShare(events->running),
                                   DeleteRunningShare);
        }
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void DeleteChainEvents(gpointer data)
{
    delete static_cast<ChainEvents*>(data);
}

}  // namespace

StreamChain::StreamChain(GstRef<GstElement> pipeline, std::shared_ptr<ChainRunning> running)
    : pipeline_(std::move(pipeline)), running_(std::move(running))
{}

StreamChain::~StreamChain()
{
    Stop();
    GstRef<GstBus> bus(gst_element_get_bus(pipeline_.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
}

std::unique_ptr<StreamChain> StreamChain::Build(const SourceFilter& source, SampleGrabber& grabber,
                                                const VideoRenderer* renderer, FrameSize size)
{
    GstRef<GstElement> pipeline = TakeFloating(gst_pipeline_new(nullptr));
    GstRef<GstElement> convert = MakeElement("videoconvert");
    GstRef<GstElement> scale = MakeElement("videoscale");
    GstRef<GstElement> format = MakeElement("capsfilter");
    GstRef<GstElement> sink = grabber.CreateSinkElement(size);
    if (pipeline == nullptr || convert == nullptr || scale == nullptr || format == nullptr || sink == nullptr) {
        return nullptr;
    }
    CapsRef bgr(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", "width", G_TYPE_INT, size.width,
                                    "height", G_TYPE_INT, size.height, nullptr));
    g_object_set(format.get(), "caps", bgr.get(), nullptr);
    GstBin* bin = GST_BIN(pipeline.get());
    // Also a source that changes its size while it runs stays within the bound.
    GuardFrameSize(
        bin, [name = source.Source().friendlyName](FrameSize, const std::string& why) { TellAboutSource(name, why); });
    gst_bin_add_many(bin, convert.get(), scale.get(), format.get(), sink.get(), nullptr);
    bool linked = gst_element_link_many(convert.get(), scale.get(), format.get(), nullptr);
    if (renderer == nullptr) {
        linked = linked && gst_element_link(format.get(), sink.get());
    } else {
        // The picture goes both to the grabber and to the renderer.
        GstRef<GstElement> tee = MakeElement("tee");
        GstRef<GstElement> grabberQueue = MakeElement("queue");
        GstRef<GstElement> rendererQueue = MakeElement("queue");
        GstRef<GstElement> rendererSink = renderer->CreateSinkElement();
        if (tee == nullptr || grabberQueue == nullptr || rendererQueue == nullptr || rendererSink == nullptr) {
            return nullptr;
        }
        gst_bin_add_many(bin, tee.get(), grabberQueue.get(), rendererQueue.get(), rendererSink.get(), nullptr);
        linked = linked && gst_element_link_many(format.get(), tee.get(), grabberQueue.get(), sink.get(), nullptr) &&
                 gst_element_link_many(tee.get(), rendererQueue.get(), rendererSink.get(), nullptr);
    }
    if (!linked) {
        return nullptr;
    }
    GstRef<GstPad> decoded(gst_element_get_static_pad(convert.get(), "sink"));
    PaceFrames(decoded.get());
    std::string why;
    if (!AddDecodedSource(source.Source(), bin, convert.get(), size, &why)) {
        TellAboutSource(source.Source().friendlyName, why);
        return nullptr;
    }

    auto running = std::make_shared<ChainRunning>();
    auto* events = new ChainEvents{
        source.Source().friendlyName, RestartsAtEnd(source.Source().kind), grabber.State(), running, {}};
    GstRef<GstBus> bus(gst_element_get_bus(pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), WatchChainBus, events, DeleteChainEvents);
    return std::unique_ptr<StreamChain>(new StreamChain(std::move(pipeline), std::move(running)));
}

HRESULT StreamChain::Run()
{
    std::lock_guard lock(running_->mutex);
    running_->playing = true;
    return gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
}

void StreamChain::Stop()
{
    std::lock_guard lock(running_->mutex);
    running_->playing = false;
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
}

}  // namespace dshow
