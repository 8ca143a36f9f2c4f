// The Sample Grabber: the end of a capture stream, keeping the newest picture for
// GetCurrentBuffer, which copies it in the bitmap layout (B, G, R; rows padded to 4
// bytes; bottom row first).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include <dshow.h>
#include <qedit.h>
#include <gst/video/video.h>

#include "camera_format.h"
#include "com_server.h"
#include "gst_support.h"

namespace dshow {

// What the grabber shares with the streaming thread that feeds it.
struct GrabberState {
    std::mutex mutex;
    GstSample* newest = nullptr;  // under mutex
    GstVideoInfo newestInfo{};    // under mutex: the format of `newest`
    bool buffering = false;       // under mutex
    FrameSize size{};             // set before the stream starts
    // The streaming thread's last caps and whether they are the connected format, so that
    // a stream's caps are parsed once, not for every sample.
    GstCaps* acceptedCaps = nullptr;
    GstVideoInfo acceptedInfo{};
    bool acceptedConnected = false;
    std::atomic<uint64_t> samplesReceived{0};
    std::atomic<uint64_t> buffersCopied{0};
    std::atomic<uint64_t> streamErrors{0};

    GrabberState() = default;
    GrabberState(const GrabberState&) = delete;
    GrabberState& operator=(const GrabberState&) = delete;
    ~GrabberState();

    // Called on the streaming thread with a new sample (the reference is handed over).
    void Deliver(GstSample* sample);
    // Whether samples with `caps` hold BGR pictures of the connected size; on the
    // streaming thread.
    bool IsConnectedFormat(GstCaps* caps);
};

class SampleGrabber : public com::Object<IBaseFilter, ISampleGrabber> {
public:
    static const IID kObjectIid;  // private: answered with the grabber itself (com::QueryObject)

    SampleGrabber();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* pType) override;
    HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* pType) override;
    HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL BufferThem) override;
    HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG* pBufferSize, LONG* pBuffer) override;

    // Whether the type set allows uncompressed 24-bit RGB video with a VIDEOINFOHEADER.
    bool AcceptsRgb24() const;
    // The sink element of a stream that ends here, for pictures of `size`.
    GstRef<GstElement> CreateSinkElement(FrameSize size);
    // The stream is built: the grabber is connected with pictures of its size.
    void SetConnected();
    const std::shared_ptr<GrabberState>& State() const { return state_; }

private:
    // Bytes of one picture in the bitmap layout.
    LONG ImageBytes() const;

    GUID majortype_ = GUID_NULL;
    GUID subtype_ = GUID_NULL;
    GUID formattype_ = GUID_NULL;
    bool connected_ = false;
    std::shared_ptr<GrabberState> state_;
};

}  // namespace dshow
