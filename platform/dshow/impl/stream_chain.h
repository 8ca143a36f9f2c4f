// One connected stream of a filter graph: a GStreamer pipeline from a video input
// through decoding and conversion to BGR at the connected size into a Sample Grabber,
// and through it to a renderer when there is one.
#pragma once

#include <memory>

#include <dshow.h>

#include "gst_support.h"
#include "sample_grabber.h"
#include "source_filter.h"
#include "video_renderer.h"

namespace dshow {

struct ChainRunning;

class StreamChain {
public:
    // Null when the elements cannot be made or linked.
    static std::unique_ptr<StreamChain> Build(const SourceFilter& source, SampleGrabber& grabber,
                                              const VideoRenderer* renderer, FrameSize size);
    ~StreamChain();
    StreamChain(const StreamChain&) = delete;
    StreamChain& operator=(const StreamChain&) = delete;

    HRESULT Run();
    // Never blocks for long: also after an error, a vanished device or the end of a file.
    void Stop();

private:
    StreamChain(GstRef<GstElement> pipeline, std::shared_ptr<ChainRunning> running);

    GstRef<GstElement> pipeline_;
    std::shared_ptr<ChainRunning> running_;
};

}  // namespace dshow
