#include "video_renderer.h"

namespace dshow {

HRESULT VideoRenderer::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_IBaseFilter, this}});
}

GstRef<GstElement> VideoRenderer::CreateSinkElement() const
{
    // autovideosink settles for a sink that shows nothing when no display is up.
    return MakeElement("autovideosink");
}

}  // namespace dshow
