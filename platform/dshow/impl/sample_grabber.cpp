#include "sample_grabber.h"

#include <cstring>
#include <utility>

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include "grabber_counters.h"

namespace dshow {
namespace {

// The frame's rows, top first in the stream, go bottom first into the bitmap, each
// padded with zeros to its 4-byte boundary.
void CopyAsBottomUpRows(const GstVideoFrame& frame, uint8_t* bitmap)
{
    const int width = GST_VIDEO_FRAME_WIDTH(&frame);
    const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
    const auto* source = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int sourceStride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const int64_t rowBytes = DibStride(width);
    const size_t pixelBytes = 3 * static_cast<size_t>(width);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap + (height - 1 - y) * rowBytes;
        std::memcpy(row, source + static_cast<int64_t>(y) * sourceStride, pixelBytes);
        std::memset(row + pixelBytes, 0, static_cast<size_t>(rowBytes) - pixelBytes);
    }
}

GstFlowReturn TakeSample(GstAppSink* sink, gpointer data)
{
    GstSample* pulled = gst_app_sink_pull_sample(sink);
    if (pulled == nullptr) {
        return GST_FLOW_OK;
    }
    // The sink hands out one sample object of its own and changes it in place when the
    // stream starts again (a file played in a loop), which it must not while we hold it:
    // keep a sample of our own with the same picture and format.
    GstSample* sample = gst_sample_new(gst_sample_get_buffer(pulled), gst_sample_get_caps(pulled), nullptr, nullptr);
    gst_sample_unref(pulled);
    if (sample != nullptr) {
        (*static_cast<std::shared_ptr<GrabberState>*>(data))->Deliver(sample);
    }
    return GST_FLOW_OK;
}

void ForgetState(gpointer data)
{
    delete static_cast<std::shared_ptr<GrabberState>*>(data);
}

}  // namespace

GrabberState::~GrabberState()
{
    if (newest != nullptr) {
        gst_sample_unref(newest);
    }
    gst_caps_replace(&acceptedCaps, nullptr);
}

bool GrabberState::IsConnectedFormat(GstCaps* caps)
{
    if (caps != acceptedCaps) {
        // Held, so that other caps cannot come at the same address.
        gst_caps_replace(&acceptedCaps, caps);
        acceptedConnected = caps != nullptr && gst_video_info_from_caps(&acceptedInfo, caps) &&
                            GST_VIDEO_INFO_FORMAT(&acceptedInfo) == GST_VIDEO_FORMAT_BGR &&
                            GST_VIDEO_INFO_WIDTH(&acceptedInfo) == size.width &&
                            GST_VIDEO_INFO_HEIGHT(&acceptedInfo) == size.height;
    }
    return acceptedConnected;
}

void GrabberState::Deliver(GstSample* sample)
{
    if (gst_sample_get_buffer(sample) == nullptr || !IsConnectedFormat(gst_sample_get_caps(sample))) {
        gst_sample_unref(sample);
        return;
    }
    ++samplesReceived;
    {
        std::lock_guard lock(mutex);
        if (buffering) {
            std::swap(newest, sample);
            newestInfo = acceptedInfo;
        }
    }
    if (sample != nullptr) {
        gst_sample_unref(sample);
    }
}

const IID SampleGrabber::kObjectIid = {0x3C0E5A61, 0x8F27, 0x4B1D, {0x9A, 0x44, 0x51, 0x0D, 0x7E, 0x21, 0xC3, 0x03}};

SampleGrabber::SampleGrabber() : state_(std::make_shared<GrabberState>()) {}

HRESULT SampleGrabber::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object,
                  {{&IID_IUnknown, static_cast<IBaseFilter*>(this)},
                   {&IID_IBaseFilter, static_cast<IBaseFilter*>(this)},
                   {&IID_ISampleGrabber, static_cast<ISampleGrabber*>(this)},
                   ObjectEntry(kObjectIid)});
}

HRESULT SampleGrabber::SetMediaType(const AM_MEDIA_TYPE* pType)
{
    if (pType == nullptr) {
        return E_POINTER;
    }
    majortype_ = pType->majortype;
    subtype_ = pType->subtype;
    formattype_ = pType->formattype;
    return S_OK;
}

bool SampleGrabber::AcceptsRgb24() const
{
    return (majortype_ == GUID_NULL || majortype_ == MEDIATYPE_Video) &&
           (subtype_ == GUID_NULL || subtype_ == MEDIASUBTYPE_RGB24) &&
           (formattype_ == GUID_NULL || formattype_ == FORMAT_VideoInfo);
}

LONG SampleGrabber::ImageBytes() const
{
    return static_cast<LONG>(DibStride(state_->size.width) * state_->size.height);
}

HRESULT SampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* pType)
{
    if (pType == nullptr) {
        return E_POINTER;
    }
    if (!connected_) {
        return VFW_E_NOT_CONNECTED;
    }
    auto* format = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (format == nullptr) {
        return E_OUTOFMEMORY;
    }
    const FrameSize size = state_->size;
    *format = VIDEOINFOHEADER{};
    format->rcSource = RECT{0, 0, size.width, size.height};
    format->rcTarget = format->rcSource;
    BITMAPINFOHEADER& header = format->bmiHeader;
    MakeInfoHeader(size.width, size.height, 24, &header);  // positive height: bottom row first

    *pType = AM_MEDIA_TYPE{};
    pType->majortype = MEDIATYPE_Video;
    pType->subtype = MEDIASUBTYPE_RGB24;
    pType->bFixedSizeSamples = TRUE;
    pType->lSampleSize = header.biSizeImage;
    pType->formattype = FORMAT_VideoInfo;
    pType->cbFormat = sizeof(VIDEOINFOHEADER);
    pType->pbFormat = reinterpret_cast<BYTE*>(format);
    return S_OK;
}

HRESULT SampleGrabber::SetBufferSamples(BOOL BufferThem)
{
    GstSample* dropped = nullptr;
    {
        std::lock_guard lock(state_->mutex);
        state_->buffering = BufferThem != FALSE;
        if (!state_->buffering) {
            std::swap(dropped, state_->newest);
        }
    }
    if (dropped != nullptr) {
        gst_sample_unref(dropped);
    }
    return S_OK;
}

HRESULT SampleGrabber::GetCurrentBuffer(LONG* pBufferSize, LONG* pBuffer)
{
    if (pBufferSize == nullptr) {
        return E_POINTER;
    }
    if (!connected_) {
        return VFW_E_NOT_CONNECTED;
    }
    const LONG needed = ImageBytes();
    if (pBuffer == nullptr) {
        *pBufferSize = needed;
        return S_OK;
    }
    GstSample* sample = nullptr;
    GstVideoInfo info;
    {
        std::lock_guard lock(state_->mutex);
        if (!state_->buffering) {
            return E_INVALIDARG;
        }
        if (state_->newest != nullptr) {
            sample = gst_sample_ref(state_->newest);
            info = state_->newestInfo;
        }
    }
    if (sample == nullptr) {
        return VFW_E_WRONG_STATE;
    }
    HRESULT hr = E_OUTOFMEMORY;
    GstVideoFrame frame;
    if (*pBufferSize >= needed) {
        hr = VFW_E_WRONG_STATE;
        if (gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
            CopyAsBottomUpRows(frame, reinterpret_cast<uint8_t*>(pBuffer));
            gst_video_frame_unmap(&frame);
            *pBufferSize = needed;
            ++state_->buffersCopied;
            hr = S_OK;
        }
    }
    gst_sample_unref(sample);
    return hr;
}

GstRef<GstElement> SampleGrabber::CreateSinkElement(FrameSize size)
{
    GstRef<GstElement> sink = MakeElement("appsink");
    if (sink == nullptr) {
        return nullptr;
    }
    state_->size = size;
    // Only the newest picture matters: the sink keeps none of its own and plays in time.
    g_object_set(sink.get(), "sync", TRUE, "max-buffers", 1u, "drop", TRUE, "enable-last-sample", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = TakeSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, new std::shared_ptr<GrabberState>(state_),
                               ForgetState);
    return sink;
}

void SampleGrabber::SetConnected()
{
    connected_ = true;
}

HRESULT ReadGrabberCounters(ISampleGrabber* grabber, GrabberCounters* counters)
{
    const ComPtr<SampleGrabber> ours = com::QueryObject<SampleGrabber>(grabber);
    if (!ours || counters == nullptr) {
        return E_INVALIDARG;
    }
    const GrabberState& state = *ours->State();
    counters->samplesReceived = state.samplesReceived;
    counters->buffersCopied = state.buffersCopied;
    counters->streamErrors = state.streamErrors;
    return S_OK;
}

}  // namespace dshow
