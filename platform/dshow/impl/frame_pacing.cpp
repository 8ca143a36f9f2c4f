#include "frame_pacing.h"

#include <algorithm>

namespace dshow {
namespace {

// No nominal rate is taken as faster than this.
constexpr GstClockTime kShortestPeriod = GST_MSECOND;

// Touched only by the thread that streams through the pad.
struct Pacing {
    GstClockTime period = GST_SECOND / kDefaultFramesPerSecond;
    GstClockTime segmentStart = 0;
    GstClockTime last = GST_CLOCK_TIME_NONE;  // the previous picture's timestamp in this segment
};

void DeletePacing(gpointer data)
{
    delete static_cast<Pacing*>(data);
}

GstClockTime PeriodOf(GstEvent* capsEvent)
{
    GstCaps* caps = nullptr;
    gst_event_parse_caps(capsEvent, &caps);
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    int numerator = 0;
    int denominator = 0;
    if (structure == nullptr || !gst_structure_get_fraction(structure, "framerate", &numerator, &denominator) ||
        numerator <= 0 || denominator <= 0) {
        return GST_SECOND / kDefaultFramesPerSecond;
    }
    return std::max(gst_util_uint64_scale_int(GST_SECOND, denominator, numerator), kShortestPeriod);
}

// A new segment starts afresh. Its end is left open: a picture stamped anew may lie past
// the end that the stream's own timestamps gave it, and would not be shown in time.
GstEvent* FollowSegment(GstEvent* event, Pacing* pacing)
{
    GstSegment segment;
    gst_event_copy_segment(event, &segment);
    pacing->segmentStart = segment.format == GST_FORMAT_TIME ? segment.start : 0;
    pacing->last = GST_CLOCK_TIME_NONE;
    if (segment.format != GST_FORMAT_TIME || segment.stop == GST_CLOCK_TIME_NONE) {
        return event;
    }
    segment.stop = GST_CLOCK_TIME_NONE;
    GstEvent* open = gst_event_new_segment(&segment);
    gst_event_set_seqnum(open, gst_event_get_seqnum(event));
    gst_event_unref(event);
    return open;
}

GstPadProbeReturn Pace(GstPad*, GstPadProbeInfo* info, gpointer data)
{
    auto* pacing = static_cast<Pacing*>(data);
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) != 0) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
            pacing->period = PeriodOf(event);
        } else if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
            GST_PAD_PROBE_INFO_DATA(info) = FollowSegment(event, pacing);
        }
        return GST_PAD_PROBE_OK;
    }
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const GstClockTime stamp = GST_BUFFER_PTS(buffer);
    const bool advances =
        GST_CLOCK_TIME_IS_VALID(stamp) && (pacing->last == GST_CLOCK_TIME_NONE || stamp > pacing->last);
    if (advances) {
        pacing->last = stamp;
        return GST_PAD_PROBE_OK;
    }
    pacing->last = pacing->last == GST_CLOCK_TIME_NONE ? pacing->segmentStart : pacing->last + pacing->period;
    buffer = gst_buffer_make_writable(buffer);
    GST_BUFFER_PTS(buffer) = pacing->last;
    GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(buffer) = pacing->period;
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

}  // namespace

void PaceFrames(GstPad* pad)
{
    gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_BUFFER), Pace,
                      new Pacing, DeletePacing);
}

}  // namespace dshow
