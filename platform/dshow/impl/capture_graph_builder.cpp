#include "capture_graph_builder.h"

namespace dshow {

CaptureGraphBuilder::~CaptureGraphBuilder()
{
    if (graph_ != nullptr) {
        graph_->Release();
    }
}

HRESULT CaptureGraphBuilder::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_ICaptureGraphBuilder2, this}});
}

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* pfg)
{
    if (pfg == nullptr) {
        return E_POINTER;
    }
    if (graph_ != nullptr) {
        return E_UNEXPECTED;
    }
    auto* graph = dynamic_cast<FilterGraph*>(pfg);
    if (graph == nullptr) {
        return E_NOINTERFACE;
    }
    graph->AddRef();
    graph_ = graph;
    return S_OK;
}

HRESULT CaptureGraphBuilder::FindInterface(const GUID* pCategory, const GUID*, IBaseFilter* pf, REFIID, void** ppint)
{
    if (ppint == nullptr) {
        return E_POINTER;
    }
    *ppint = nullptr;
    if (pf == nullptr) {
        return E_POINTER;
    }
    if (pCategory != nullptr && *pCategory == LOOK_UPSTREAM_ONLY) {
        return E_NOINTERFACE;
    }
    return E_NOTIMPL;
}

HRESULT CaptureGraphBuilder::RenderStream(const GUID* pCategory, const GUID* pType, IUnknown* pSource,
                                          IBaseFilter* pfCompressor, IBaseFilter* pfRenderer)
{
    if (graph_ == nullptr) {
        return E_UNEXPECTED;
    }
    if (pCategory == nullptr || *pCategory != PIN_CATEGORY_PREVIEW || (pType != nullptr && *pType != MEDIATYPE_Video)) {
        return E_INVALIDARG;
    }
    if (pSource == nullptr || pfRenderer == nullptr) {
        return E_POINTER;
    }
    IBaseFilter* source = nullptr;
    if (FAILED(pSource->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&source)))) {
        return E_INVALIDARG;
    }
    const HRESULT hr = graph_->ConnectPreview(source, pfCompressor, pfRenderer);
    source->Release();
    return hr;
}

}  // namespace dshow
