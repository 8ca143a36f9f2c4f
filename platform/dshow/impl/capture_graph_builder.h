// The capture graph builder: connects a capture filter's preview stream on the graph
// it was given.
#pragma once

#include <dshow.h>

#include "com_server.h"
#include "filter_graph.h"

namespace dshow {

class CaptureGraphBuilder : public com::Object<ICaptureGraphBuilder2> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    // Only graphs of ours can be built on.
    HRESULT STDMETHODCALLTYPE SetFiltergraph(IGraphBuilder* pfg) override;
    // Nothing lies upstream of a capture filter here (no crossbars on Linux); other
    // searches are not offered.
    HRESULT STDMETHODCALLTYPE FindInterface(const GUID* pCategory, const GUID* pType, IBaseFilter* pf, REFIID riid,
                                            void** ppint) override;
    // The preview category of video, from a capture filter to a Sample Grabber, or through
    // a grabber to a renderer.
    HRESULT STDMETHODCALLTYPE RenderStream(const GUID* pCategory, const GUID* pType, IUnknown* pSource,
                                           IBaseFilter* pfCompressor, IBaseFilter* pfRenderer) override;

protected:
    ~CaptureGraphBuilder() override;

private:
    ComPtr<FilterGraph> graph_;
};

}  // namespace dshow
