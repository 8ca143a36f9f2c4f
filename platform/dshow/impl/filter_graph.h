// The filter graph: holds the filters added to it and runs and stops the streams that
// the capture graph builder connects, each its own GStreamer pipeline.
#pragma once

#include <memory>
#include <vector>

#include <dshow.h>

#include "com_server.h"
#include "stream_chain.h"

namespace dshow {

class FilterGraph : public com::Object<IGraphBuilder, IMediaControl> {
public:
    static const IID kObjectIid;  // private: answered with the graph itself (com::QueryObject)

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override;
    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetState(LONG msTimeout, OAFilterState* pfs) override;

    // Connects the preview stream of source, a capture filter, to sink, a Sample
    // Grabber; or, with an intermediate grabber, through it to sink, a renderer. The
    // picture size is fixed here, so the grabber knows its format before anything runs.
    HRESULT ConnectPreview(IBaseFilter* source, IBaseFilter* intermediate, IBaseFilter* sink);

protected:
    ~FilterGraph() override;

private:
    bool Holds(const IBaseFilter* filter) const;
    bool IsConnected(const IBaseFilter* filter) const;

    std::vector<ComPtr<IBaseFilter>> filters_;
    std::vector<const IBaseFilter*> connected_;
    std::vector<std::unique_ptr<StreamChain>> chains_;
    bool running_ = false;
};

}  // namespace dshow
