#include "decoded_source.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "gst_support.h"
#include "size_guard.h"
#include "video_inputs.h"

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

bool Linked(GstElement* from, GstElement* to, std::string* why)
{
    if (gst_element_link(from, to)) {
        return true;
    }
    *why = "its output cannot be linked";
    return false;
}

void UnrefElement(gpointer element, GClosure*)
{
    gst_object_unref(element);
}

// What the size probe has learned, shared with the probe's streaming threads. The first
// finding stands.
struct SizeProbe {
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    FrameSize size{};
    std::string why;  // empty when the size was found

    void Finish(FrameSize seen, std::string reason)
    {
        std::lock_guard lock(mutex);
        if (!finished) {
            finished = true;
            size = seen;
            why = std::move(reason);
        }
        changed.notify_all();
    }
};

// Sees the first format of the decoded video: its size when it is a picture format.
GstPadProbeReturn WatchDecodedCaps(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        const GstStructure* structure = gst_caps_get_structure(caps, 0);
        FrameSize size{};
        if (structure == nullptr || !gst_structure_has_name(structure, "video/x-raw")) {
            static_cast<SizeProbe*>(data)->Finish(size, "GStreamer has no decoder for its video");
        } else if (!gst_structure_get_int(structure, "width", &size.width) ||
                   !gst_structure_get_int(structure, "height", &size.height)) {
            static_cast<SizeProbe*>(data)->Finish(size, "its video has no picture size");
        } else {
            static_cast<SizeProbe*>(data)->Finish(size, WhyOutsideFrameBound(size));
        }
    }
    return GST_PAD_PROBE_OK;
}

// Why a stream stopped with this error: a source whose only output nobody took has no
// video stream (its streams are audio or the like).
std::string WhyStopped(GstMessage* message)
{
    GError* rawError = nullptr;
    gst_message_parse_error(message, &rawError, nullptr);
    GErrorRef error(rawError);
    const GstStructure* details = nullptr;
    gst_message_parse_error_details(message, &details);
    int flow = GST_FLOW_OK;
    if (details != nullptr && gst_structure_get_int(details, "flow-return", &flow) && flow == GST_FLOW_NOT_LINKED) {
        return "it has no video stream";
    }
    return error != nullptr ? error->message : "it cannot be played";
}

// The end of the stream or an error before the first format ends the probe. Nobody reads
// the bus, so every message ends here; a handler that drops a message owns it.
GstBusSyncReply WatchProbeBus(GstBus*, GstMessage* message, gpointer data)
{
    auto* probe = static_cast<SizeProbe*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        probe->Finish(FrameSize{}, WhyStopped(message));
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
        probe->Finish(FrameSize{}, "it ended before its first picture");
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

}  // namespace

bool AddDecodedSource(const VideoSource& source, GstBin* bin, GstElement* downstream, FrameSize size, std::string* why)
{
    GstRef<GstElement> input = CreateSourceElement(source, why);
    if (input == nullptr) {
        return false;
    }
    gst_bin_add(bin, input.get());
    if (source.kind == SourceKind::TestCamera) {
        return Linked(input.get(), downstream, why);
    }
    GstElement* last = input.get();
    GstRef<GstElement> sizeFilter;
    CapsRef offered(source.kind == SourceKind::Camera ? gst_device_get_caps(source.device.get()) : nullptr);
    CapsRef sized = offered != nullptr ? RestrictToSize(offered.get(), size) : nullptr;
    if (sized != nullptr && !gst_caps_is_empty(sized.get())) {
        // The camera itself delivers the chosen size; the scaler downstream then has nothing to do.
        sizeFilter = MakeElement("capsfilter");
        if (sizeFilter == nullptr) {
            *why = "GStreamer has no capsfilter";
            return false;
        }
        g_object_set(sizeFilter.get(), "caps", sized.get(), nullptr);
        gst_bin_add(bin, sizeFilter.get());
        if (!Linked(last, sizeFilter.get(), why)) {
            return false;
        }
        last = sizeFilter.get();
    }
    GstRef<GstElement> decoder = MakeElement("decodebin");
    if (decoder == nullptr) {
        *why = "GStreamer has no decodebin";
        return false;
    }
    gst_bin_add(bin, decoder.get());
    g_signal_connect_data(decoder.get(), "pad-added", G_CALLBACK(LinkVideoPad), gst_object_ref(downstream),
                          UnrefElement, GConnectFlags(0));
    return Linked(last, decoder.get(), why);
}

bool ProbeFrameSize(const VideoSource& source, FrameSize* size, std::string* why)
{
    GstRef<GstElement> pipeline = TakeFloating(gst_pipeline_new(nullptr));
    GstRef<GstElement> sink = MakeElement("fakesink");
    if (pipeline == nullptr || sink == nullptr) {
        *why = "GStreamer has no pipeline or fakesink";
        return false;
    }
    SizeProbe probe;
    GuardFrameSize(GST_BIN(pipeline.get()),
                   [&probe](FrameSize size, const std::string& reason) { probe.Finish(size, reason); });
    gst_bin_add(GST_BIN(pipeline.get()), sink.get());
    if (!AddDecodedSource(source, GST_BIN(pipeline.get()), sink.get(), FrameSize{}, why)) {
        return false;
    }
    GstRef<GstPad> sinkPad(gst_element_get_static_pad(sink.get(), "sink"));
    const gulong capsWatch =
        gst_pad_add_probe(sinkPad.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, WatchDecodedCaps, &probe, nullptr);
    GstRef<GstBus> bus(gst_element_get_bus(pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), WatchProbeBus, &probe, nullptr);

    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        probe.Finish(FrameSize{}, "it cannot be played");
    }
    {
        std::unique_lock lock(probe.mutex);
        if (!probe.changed.wait_for(lock, kSizeProbeTimeout, [&probe] { return probe.finished; })) {
            probe.finished = true;
            probe.why = "it showed no picture within " + std::to_string(kSizeProbeTimeout.count()) + " s";
        }
    }
    // Stopping joins the streaming threads, so nothing touches the probe after this.
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    gst_pad_remove_probe(sinkPad.get(), capsWatch);
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);

    std::lock_guard lock(probe.mutex);
    *size = probe.size;
    *why = probe.why;
    return why->empty();
}

bool CheckVideoSource(const std::string& entry, std::string* why)
{
    if (!StartGStreamer()) {
        *why = "GStreamer cannot be started";
        return false;
    }
    FrameSize size{};
    return ProbeFrameSize(NamedSource(entry), &size, why);
}

}  // namespace dshow
