// The video renderer: a window of GStreamer's choosing, or nothing shown where there is
// no display. The program itself never asks for one.
#pragma once

#include <dshow.h>

#include "com_server.h"
#include "gst_support.h"

namespace dshow {

class VideoRenderer : public com::Object<IBaseFilter> {
public:
    static const IID kObjectIid;  // private: answered with the renderer itself (com::QueryObject)

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    GstRef<GstElement> CreateSinkElement() const;
};

}  // namespace dshow
