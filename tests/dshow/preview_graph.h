// A capture graph assembled by hand, the way the capture system assembles one, for the
// layer's own tests; it releases everything it holds.
#pragma once

#include <string>

#include <dshow.h>
#include <qedit.h>

#include <gtest/gtest.h>

#include "com_server.h"
#include "grabber_counters.h"
#include "video_inputs.h"

namespace test_support {

// Binds the index-th device that the settings offer; null when binding fails.
inline IBaseFilter* BindDevice(const dshow::VideoInputSettings& settings, ULONG index)
{
    dshow::SetVideoInputSettings(settings);
    ICreateDevEnum* devices = nullptr;
    CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                     reinterpret_cast<void**>(&devices));
    IEnumMoniker* monikers = nullptr;
    devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
    IBaseFilter* filter = nullptr;
    IMoniker* moniker = nullptr;
    for (ULONG i = 0; monikers != nullptr && monikers->Next(1, &moniker, nullptr) == S_OK; ++i) {
        if (i == index) {
            moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
        }
        moniker->Release();
    }
    if (monikers != nullptr) {
        monikers->Release();
    }
    devices->Release();
    return filter;
}

class PreviewGraph {
public:
    // The graph, a builder on it and a 24-bit RGB grabber, with `source` (one reference
    // handed over; may be null) and the grabber added.
    explicit PreviewGraph(IBaseFilter* source) : source_(source)
    {
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(&graph_));
        graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_));
        CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                         reinterpret_cast<void**>(&builder_));
        builder_->SetFiltergraph(graph_);
        CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                         reinterpret_cast<void**>(&grabberFilter_));
        grabberFilter_->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&grabber_));
        AM_MEDIA_TYPE rgb24{};
        rgb24.majortype = MEDIATYPE_Video;
        rgb24.subtype = MEDIASUBTYPE_RGB24;
        rgb24.formattype = FORMAT_VideoInfo;
        grabber_->SetMediaType(&rgb24);
        grabber_->SetBufferSamples(TRUE);
        graph_->AddFilter(grabberFilter_, L"Sample Grabber");
        if (source_ != nullptr) {
            graph_->AddFilter(source_, L"Device Filter");
        }
    }
    ~PreviewGraph()
    {
        control_->Stop();
        for (IUnknown* held : {static_cast<IUnknown*>(grabber_), static_cast<IUnknown*>(grabberFilter_),
                               static_cast<IUnknown*>(builder_), static_cast<IUnknown*>(source_),
                               static_cast<IUnknown*>(control_), static_cast<IUnknown*>(graph_)}) {
            if (held != nullptr) {
                held->Release();
            }
        }
    }
    PreviewGraph(const PreviewGraph&) = delete;
    PreviewGraph& operator=(const PreviewGraph&) = delete;

    HRESULT Connect()
    {
        return builder_->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, source_, nullptr, grabberFilter_);
    }

    dshow::GrabberCounters Counters() const
    {
        dshow::GrabberCounters counters;
        EXPECT_EQ(S_OK, dshow::ReadGrabberCounters(grabber_, &counters));
        return counters;
    }

    IGraphBuilder* graph() const { return graph_; }
    IMediaControl* control() const { return control_; }
    ICaptureGraphBuilder2* builder() const { return builder_; }
    IBaseFilter* grabberFilter() const { return grabberFilter_; }
    ISampleGrabber* grabber() const { return grabber_; }
    IBaseFilter* source() const { return source_; }

private:
    IBaseFilter* source_;
    IGraphBuilder* graph_ = nullptr;
    IMediaControl* control_ = nullptr;
    ICaptureGraphBuilder2* builder_ = nullptr;
    IBaseFilter* grabberFilter_ = nullptr;
    ISampleGrabber* grabber_ = nullptr;
};

// Every test of the layer runs in COM and must give back every reference it takes.
class ComObjectsTest : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        baseline_ = com::LiveObjectCount();
    }
    void TearDown() override
    {
        EXPECT_EQ(baseline_, com::LiveObjectCount()) << "a reference was not given back";
        CoUninitialize();
    }

private:
    long baseline_ = 0;
};

}  // namespace test_support
