#include "source_filter.h"

#include <cstdio>
#include <string>
#include <utility>

#include "decoded_source.h"
#include "test_camera.h"

namespace dshow {

SourceFilter::SourceFilter(VideoSource source) : source_(std::move(source)) {}

HRESULT SourceFilter::Bind(const VideoSource& source, REFIID iid, void** object)
{
    std::string why;
    if (CreateSourceElement(source, &why) == nullptr) {
        TellAboutSource(source.friendlyName, why);
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
    std::string why;
    if (source_.kind == SourceKind::TestCamera) {
        *size = FrameSize{kTestCameraWidth, kTestCameraHeight};
    } else if (source_.kind == SourceKind::Camera) {
        CapsRef offered(gst_device_get_caps(source_.device.get()));
        *size = ChooseCameraSize(offered.get());
        why = WhyOutsideFrameBound(*size);
    } else {
        ProbeFrameSize(source_, size, &why);
    }
    if (!why.empty()) {
        TellAboutSource(source_.friendlyName, why);
        return false;
    }
    return true;
}

}  // namespace dshow
