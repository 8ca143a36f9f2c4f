#include "source_filter.h"

#include <cstdio>
#include <string>
#include <utility>

#include "decoded_source.h"
#include "test_camera.h"

namespace dshow {

const IID SourceFilter::kObjectIid = {0x3C0E5A61, 0x8F27, 0x4B1D, {0x9A, 0x44, 0x51, 0x0D, 0x7E, 0x21, 0xC3, 0x01}};

SourceFilter::SourceFilter(VideoSource source) : source_(std::move(source)) {}

HRESULT SourceFilter::Bind(const VideoSource& source, REFIID iid, void** object)
{
    std::string why;
    if (CreateSourceElement(source, &why) == nullptr) {
        TellAboutSource(source.friendlyName, why);
        return E_FAIL;
    }
    const ComPtr<SourceFilter> filter = ComPtr<SourceFilter>::Adopt(new (std::nothrow) SourceFilter(source));
    if (!filter) {
        return E_OUTOFMEMORY;
    }
    return filter->QueryInterface(iid, object);
}

HRESULT SourceFilter::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_IBaseFilter, this}, ObjectEntry(kObjectIid)});
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
