#include "source_filter.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "test_camera.h"

namespace dshow {
namespace {

// How long a file or description may take to show its picture size.
constexpr std::chrono::seconds kSizeProbeTimeout{10};

// Links a decoder's video pad, when it appears, to the waiting element's sink pad.
void LinkVideoPad(GstElement*, GstPad* pad, gpointer downstream)
{
    GstRef<GstPad> sink(gst_element_get_static_pad(GST_ELEMENT(downstream), "sink"));
    if (sink == nullptr || gst_pad_is_linked(sink.get())) {
        return;
    }
    CapsRef caps(gst_pad_get_current_caps(pad));
    if (caps == nullptr) {
        caps.reset(gst_pad_query_caps(pad, nullptr));
    }
    if (caps == nullptr || gst_caps_is_empty(caps.get()) ||
        !g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)), "video/")) {
        return;
    }
    gst_pad_link(pad, sink.get());
}

void UnrefElement(gpointer element, GClosure*)
{
    gst_object_unref(element);
}

// What the size probe has learned, shared with the probe's streaming threads.
struct SizeProbe {
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    bool found = false;
    FrameSize size{};

    void Finish(bool withSize, FrameSize seen)
    {
        std::lock_guard lock(mutex);
        if (!finished) {
            finished = true;
            found = withSize;
            size = seen;
        }
        changed.notify_all();
    }
};

GstPadProbeReturn WatchCaps(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        const GstStructure* structure = gst_caps_get_structure(caps, 0);
        FrameSize size{};
        const bool found = structure != nullptr && gst_structure_get_int(structure, "width", &size.width) &&
                           gst_structure_get_int(structure, "height", &size.height);
        static_cast<SizeProbe*>(data)->Finish(found, size);
    }
    return GST_PAD_PROBE_OK;
}

GstBusSyncReply WatchProbeBus(GstBus*, GstMessage* message, gpointer data)
{
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR || GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
        static_cast<SizeProbe*>(data)->Finish(false, FrameSize{});
    }
    return GST_BUS_DROP;
}

}  // namespace

SourceFilter::SourceFilter(VideoSource source) : source_(std::move(source)) {}

HRESULT SourceFilter::Bind(const VideoSource& source, REFIID iid, void** object)
{
    std::string why;
    if (CreateSourceElement(source, &why) == nullptr) {
        std::fprintf(stderr, "video: %s: %s\n", source.friendlyName.c_str(), why.c_str());
        return E_FAIL;
    }
    auto* filter = new (std::nothrow) SourceFilter(source);
    if (filter == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = filter->QueryInterface(iid, object);
    filter->Release();
    return hr;
}

HRESULT SourceFilter::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_IBaseFilter, this}});
}

bool SourceFilter::FindFrameSize(FrameSize* size) const
{
    if (source_.kind == SourceKind::TestCamera) {
        *size = FrameSize{kTestCameraWidth, kTestCameraHeight};
        return true;
    }
    if (source_.kind == SourceKind::Camera) {
        CapsRef offered(gst_device_get_caps(source_.device.get()));
        *size = ChooseCameraSize(offered.get());
        return true;
    }
    GstRef<GstElement> pipeline = TakeFloating(gst_pipeline_new(nullptr));
    GstRef<GstElement> sink = MakeElement("fakesink");
    if (pipeline == nullptr || sink == nullptr) {
        return false;
    }
    gst_bin_add(GST_BIN(pipeline.get()), sink.get());
    if (!AddDecodedTo(GST_BIN(pipeline.get()), sink.get(), FrameSize{})) {
        return false;
    }
    SizeProbe probe;
    GstRef<GstPad> sinkPad(gst_element_get_static_pad(sink.get(), "sink"));
    const gulong capsWatch =
        gst_pad_add_probe(sinkPad.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, WatchCaps, &probe, nullptr);
    GstRef<GstBus> bus(gst_element_get_bus(pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), WatchProbeBus, &probe, nullptr);

    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        probe.Finish(false, FrameSize{});
    }
    {
        std::unique_lock lock(probe.mutex);
        probe.changed.wait_for(lock, kSizeProbeTimeout, [&probe] { return probe.finished; });
    }
    // Stopping joins the streaming threads, so nothing touches the probe after this.
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    gst_pad_remove_probe(sinkPad.get(), capsWatch);
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);

    std::lock_guard lock(probe.mutex);
    if (!probe.found) {
        std::fprintf(stderr, "video: %s: no picture size found\n", source_.friendlyName.c_str());
        return false;
    }
    *size = probe.size;
    return true;
}

bool SourceFilter::AddDecodedTo(GstBin* bin, GstElement* downstream, FrameSize size) const
{
    std::string why;
    GstRef<GstElement> source = CreateSourceElement(source_, &why);
    if (source == nullptr) {
        std::fprintf(stderr, "video: %s: %s\n", source_.friendlyName.c_str(), why.c_str());
        return false;
    }
    gst_bin_add(bin, source.get());
    if (source_.kind == SourceKind::TestCamera) {
        return gst_element_link(source.get(), downstream);
    }
    GstElement* last = source.get();
    GstRef<GstElement> sizeFilter;
    CapsRef offered(source_.kind == SourceKind::Camera ? gst_device_get_caps(source_.device.get()) : nullptr);
    CapsRef sized = offered != nullptr ? RestrictToSize(offered.get(), size) : nullptr;
    if (sized != nullptr && !gst_caps_is_empty(sized.get())) {
        // The camera itself delivers the chosen size; the scaler downstream then has nothing to do.
        sizeFilter = MakeElement("capsfilter");
        if (sizeFilter == nullptr) {
            return false;
        }
        g_object_set(sizeFilter.get(), "caps", sized.get(), nullptr);
        gst_bin_add(bin, sizeFilter.get());
        if (!gst_element_link(last, sizeFilter.get())) {
            return false;
        }
        last = sizeFilter.get();
    }
    GstRef<GstElement> decoder = MakeElement("decodebin");
    if (decoder == nullptr) {
        return false;
    }
    gst_bin_add(bin, decoder.get());
    g_signal_connect_data(decoder.get(), "pad-added", G_CALLBACK(LinkVideoPad), gst_object_ref(downstream),
                          UnrefElement, GConnectFlags(0));
    return gst_element_link(last, decoder.get());
}

}  // namespace dshow
