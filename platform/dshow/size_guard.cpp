#include "size_guard.h"

#include <memory>
#include <utility>

namespace dshow {
namespace {

// Each signal and pad holds its own share of the one notification.
using Guard = std::shared_ptr<const SizeRefused>;

void DeleteGuardClosure(gpointer data, GClosure*)
{
    delete static_cast<Guard*>(data);
}

Guard* ShareGuard(gpointer data)
{
    return new Guard(*static_cast<Guard*>(data));
}

// One pad's watch. Once the pad's format was refused, what it sends in that format is
// refused too, until a format within the bound comes.
struct PadWatch {
    Guard guard;
    bool refusing = false;  // touched only by the thread that streams through the pad
};

void DeletePadWatch(gpointer data)
{
    delete static_cast<PadWatch*>(data);
}

// The size that a picture format gives, compressed or not.
bool SizeOfFormat(GstEvent* capsEvent, FrameSize* size)
{
    GstCaps* caps = nullptr;
    gst_event_parse_caps(capsEvent, &caps);
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    const char* name = structure != nullptr ? gst_structure_get_name(structure) : "";
    return (g_str_has_prefix(name, "video/") || g_str_has_prefix(name, "image/")) &&
           gst_structure_get_int(structure, "width", &size->width) &&
           gst_structure_get_int(structure, "height", &size->height);
}

// Failing makes the element upstream stop with a negotiation error.
GstPadProbeReturn Refuse(GstPadProbeInfo* info)
{
    gst_mini_object_unref(GST_MINI_OBJECT_CAST(GST_PAD_PROBE_INFO_DATA(info)));
    GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_NOT_NEGOTIATED;
    return GST_PAD_PROBE_HANDLED;
}

// A format beyond the bound fails as it is sent, so that the element's negotiation fails
// before it allocates; a compressed one is refused before anything decodes it.
GstPadProbeReturn WatchFormat(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* watch = static_cast<PadWatch*>(data);
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) == 0) {
        return watch->refusing ? Refuse(info) : GST_PAD_PROBE_OK;
    }
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) {
        return GST_PAD_PROBE_OK;
    }
    FrameSize size{};
    const std::string why = SizeOfFormat(event, &size) ? WhyOutsideFrameBound(size) : "";
    watch->refusing = !why.empty();
    if (!watch->refusing) {
        return GST_PAD_PROBE_OK;
    }
    (*watch->guard)(size, why);
    return Refuse(info);
}

void WatchPad(GstElement*, GstPad* pad, gpointer data)
{
    if (GST_PAD_IS_SRC(pad)) {
        gst_pad_add_probe(pad,
                          GstPadProbeType(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_BUFFER |
                                          GST_PAD_PROBE_TYPE_BUFFER_LIST),
                          WatchFormat, new PadWatch{*static_cast<Guard*>(data)}, DeletePadWatch);
    }
}

gboolean WatchExistingPad(GstElement* element, GstPad* pad, gpointer data)
{
    WatchPad(element, pad, data);
    return TRUE;
}

void WatchElement(GstBin*, GstBin*, GstElement* element, gpointer data)
{
    gst_element_foreach_src_pad(element, WatchExistingPad, data);
    g_signal_connect_data(element, "pad-added", G_CALLBACK(WatchPad), ShareGuard(data), DeleteGuardClosure,
                          GConnectFlags(0));
}

}  // namespace

void GuardFrameSize(GstBin* bin, SizeRefused refused)
{
    auto* guard = new Guard(std::make_shared<const SizeRefused>(std::move(refused)));
    g_signal_connect_data(bin, "deep-element-added", G_CALLBACK(WatchElement), guard, DeleteGuardClosure,
                          GConnectFlags(0));
}

}  // namespace dshow
