#include "stream_chain.h"

#include <cstdio>
#include <string>

namespace dshow {
namespace {

// What the bus handler needs; it lives as long as the pipeline's bus handler does.
struct ChainEvents {
    std::string sourceName;
    bool restartsAtEnd;
    std::shared_ptr<GrabberState> grabber;
    // Samples seen when the stream last started again; a stream that ends again without a
    // new sample is left at its end instead of being restarted over and over.
    std::atomic<uint64_t> samplesAtRestart{0};
};

void SeekToStart(GstElement* pipeline, gpointer)
{
    gst_element_seek_simple(pipeline, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0);
}

// Runs on whichever thread posts: it only records, reports and schedules. Nobody reads
// the bus, so every message is dropped here.
GstBusSyncReply WatchChainBus(GstBus*, GstMessage* message, gpointer data)
{
    auto* events = static_cast<ChainEvents*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* rawError = nullptr;
        gst_message_parse_error(message, &rawError, nullptr);
        GErrorRef error(rawError);
        ++events->grabber->streamErrors;
        std::fprintf(stderr, "video: %s: stream stopped: %s\n", events->sourceName.c_str(),
                     error ? error->message : "unknown error");
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS && events->restartsAtEnd &&
               GST_IS_PIPELINE(GST_MESSAGE_SRC(message))) {
        const uint64_t samples = events->grabber->samplesReceived;
        if (samples != events->samplesAtRestart.exchange(samples)) {
            // Seeking from a streaming thread is not allowed; GStreamer's own thread does it.
            gst_element_call_async(GST_ELEMENT(GST_MESSAGE_SRC(message)), SeekToStart, nullptr, nullptr);
        }
    }
    return GST_BUS_DROP;
}

void DeleteChainEvents(gpointer data)
{
    delete static_cast<ChainEvents*>(data);
}

}  // namespace

StreamChain::StreamChain(GstRef<GstElement> pipeline) : pipeline_(std::move(pipeline)) {}

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
    if (!linked || !source.AddDecodedTo(bin, convert.get(), size)) {
        return nullptr;
    }

    auto* events = new ChainEvents{source.Source().friendlyName, RestartsAtEnd(source.Source().kind),
                                   grabber.State(), {}};
    GstRef<GstBus> bus(gst_element_get_bus(pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), WatchChainBus, events, DeleteChainEvents);
    return std::unique_ptr<StreamChain>(new StreamChain(std::move(pipeline)));
}

HRESULT StreamChain::Run()
{
    return gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
}

void StreamChain::Stop()
{
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
}

}  // namespace dshow
