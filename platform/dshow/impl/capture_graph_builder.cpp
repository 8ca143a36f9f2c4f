#include "capture_graph_builder.h"

namespace dshow {

CaptureGraphBuilder::~CaptureGraphBuilder() = default;

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
    graph_ = com::QueryObject<FilterGraph>(pfg);
    return graph_ ? S_OK : E_NOINTERFACE;
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
    ComPtr<IBaseFilter> source;
    if (FAILED(pSource->QueryInterface(IID_IBaseFilter, source.PutVoid()))) {
        return E_INVALIDARG;
    }
    return graph_->ConnectPreview(source.Get(), pfCompressor, pfRenderer);
}

}  // namespace dshow
