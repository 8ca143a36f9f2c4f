#include "size_guard.h"

#include <memory>
#include <utility>

#include "gst_support.h"

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

bool IsPictureFormat(const GstStructure* structure)
{
    const char* name = gst_structure_get_name(structure);
    return g_str_has_prefix(name, "video/") || g_str_has_prefix(name, "image/");
}

// The size that a picture format gives, compressed or not.
bool SizeOfFormat(GstEvent* capsEvent, FrameSize* size)
{
    GstCaps* caps = nullptr;
    gst_event_parse_caps(capsEvent, &caps);
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    return structure != nullptr && IsPictureFormat(structure) &&
           gst_structure_get_int(structure, "width", &size->width) &&
           gst_structure_get_int(structure, "height", &size->height);
}

// The formats with every picture size narrowed to the bound; formats that name no size
// stay as they are. *refused is the size nearest the bound of the first sized format,
// for telling why nothing is left.
CapsRef WithinBound(GstCaps* formats, FrameSize* refused)
{
    CapsRef bounds(gst_caps_new_empty());
    bool sized = false;
    for (guint i = 0; i < gst_caps_get_size(formats); ++i) {
        const GstStructure* format = gst_caps_get_structure(formats, i);
        GstStructure* bound = gst_structure_copy(format);
        if (IsPictureFormat(format) && gst_structure_has_field(format, "width") &&
            gst_structure_has_field(format, "height")) {
            if (!sized) {
                sized = true;
                gst_structure_fixate_field_nearest_int(bound, "width", kMaxFrameDimension);
                gst_structure_fixate_field_nearest_int(bound, "height", kMaxFrameDimension);
                gst_structure_get_int(bound, "width", &refused->width);
                gst_structure_get_int(bound, "height", &refused->height);
            }
            gst_structure_set(bound, "width", GST_TYPE_INT_RANGE, 1, kMaxFrameDimension, "height", GST_TYPE_INT_RANGE,
                              1, kMaxFrameDimension, nullptr);
        }
        const GstCapsFeatures* features = gst_caps_get_features(formats, i);
        gst_caps_append_structure_full(bounds.get(), bound,
                                       features != nullptr ? gst_caps_features_copy(features) : nullptr);
    }
    return CapsRef(gst_caps_intersect(formats, bounds.get()));
}

// What the element downstream accepts is narrowed to the bound before the element that
// asked chooses its format: a source that only makes larger pictures fails to negotiate
// and allocates nothing.
void NarrowAnswer(GstQuery* query, const Guard& guard)
{
    GstCaps* answer = nullptr;
    gst_query_parse_caps_result(query, &answer);
    if (answer == nullptr || gst_caps_is_any(answer)) {
        return;
    }
    FrameSize refused{};
    CapsRef bounded = WithinBound(answer, &refused);
    if (gst_caps_is_empty(bounded.get()) && !gst_caps_is_empty(answer) && refused.width > 0) {
        (*guard)(refused, WhyOutsideFrameBound(refused));
    }
    gst_query_set_caps_result(query, bounded.get());
}

// Failing makes the element upstream stop with a negotiation error.
GstPadProbeReturn Refuse(GstPadProbeInfo* info)
{
    gst_mini_object_unref(GST_MINI_OBJECT_CAST(GST_PAD_PROBE_INFO_DATA(info)));
    GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_NOT_NEGOTIATED;
    return GST_PAD_PROBE_HANDLED;
}

// A format beyond the bound that still comes is refused with everything sent in it,
// before anything downstream takes a picture; a compressed one before anything decodes it.
GstPadProbeReturn WatchFormat(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* watch = static_cast<PadWatch*>(data);
    const GstPadProbeType type = GST_PAD_PROBE_INFO_TYPE(info);
    if ((type & GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM) != 0) {
        if ((type & GST_PAD_PROBE_TYPE_PULL) != 0 && GST_QUERY_TYPE(GST_PAD_PROBE_INFO_QUERY(info)) == GST_QUERY_CAPS) {
            NarrowAnswer(GST_PAD_PROBE_INFO_QUERY(info), watch->guard);
        }
        return GST_PAD_PROBE_OK;
    }
    if ((type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) == 0) {
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
                                          GST_PAD_PROBE_TYPE_BUFFER_LIST | GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM),
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
