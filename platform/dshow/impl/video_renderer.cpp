#include "video_renderer.h"

namespace dshow {

const IID VideoRenderer::kObjectIid = {0x3C0E5A61, 0x8F27, 0x4B1D, {0x9A, 0x44, 0x51, 0x0D, 0x7E, 0x21, 0xC3, 0x02}};

HRESULT VideoRenderer::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_IBaseFilter, this}, ObjectEntry(kObjectIid)});
}

GstRef<GstElement> VideoRenderer::CreateSinkElement() const
{
    // autovideosink settles for a sink that shows nothing when no display is up.
    return MakeElement("autovideosink");
}

}  // namespace dshow
