#include "filter_graph.h"

#include <algorithm>

namespace dshow {

const IID FilterGraph::kObjectIid = {0x3C0E5A61, 0x8F27, 0x4B1D, {0x9A, 0x44, 0x51, 0x0D, 0x7E, 0x21, 0xC3, 0x04}};

FilterGraph::~FilterGraph()
{
    // The streams end before the filters they run through are let go.
    chains_.clear();
    filters_.clear();
}

HRESULT FilterGraph::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object,
                  {{&IID_IUnknown, static_cast<IGraphBuilder*>(this)},
                   {&IID_IFilterGraph, static_cast<IGraphBuilder*>(this)},
                   {&IID_IGraphBuilder, static_cast<IGraphBuilder*>(this)},
                   {&IID_IMediaControl, static_cast<IMediaControl*>(this)},
                   ObjectEntry(kObjectIid)});
}

HRESULT FilterGraph::AddFilter(IBaseFilter* pFilter, LPCWSTR)
{
    if (pFilter == nullptr) {
        return E_POINTER;
    }
    if (Holds(pFilter)) {
        return E_INVALIDARG;
    }
    filters_.push_back(ComPtr<IBaseFilter>::Share(pFilter));
    return S_OK;
}

HRESULT FilterGraph::Run()
{
    HRESULT result = S_OK;
    for (const auto& chain : chains_) {
        if (FAILED(chain->Run())) {
            result = E_FAIL;
        }
    }
    running_ = true;
    return result;
}

HRESULT FilterGraph::Stop()
{
    for (const auto& chain : chains_) {
        chain->Stop();
    }
    running_ = false;
    return S_OK;
}

HRESULT FilterGraph::GetState(LONG, OAFilterState* pfs)
{
    if (pfs == nullptr) {
        return E_POINTER;
    }
    *pfs = running_ ? State_Running : State_Stopped;
    return S_OK;
}

bool FilterGraph::Holds(const IBaseFilter* filter) const
{
    return std::find(filters_.begin(), filters_.end(), filter) != filters_.end();
}

bool FilterGraph::IsConnected(const IBaseFilter* filter) const
{
    return std::find(connected_.begin(), connected_.end(), filter) != connected_.end();
}

HRESULT FilterGraph::ConnectPreview(IBaseFilter* source, IBaseFilter* intermediate, IBaseFilter* sink)
{
    if (source == nullptr || sink == nullptr) {
        return E_POINTER;
    }
    // Only filters of ours can be connected.
    const ComPtr<SourceFilter> capture = com::QueryObject<SourceFilter>(source);
    const ComPtr<SampleGrabber> grabber =
        com::QueryObject<SampleGrabber>(intermediate != nullptr ? intermediate : sink);
    const ComPtr<VideoRenderer> renderer = intermediate != nullptr ? com::QueryObject<VideoRenderer>(sink) : nullptr;
    if (!capture || !grabber || (intermediate != nullptr && !renderer)) {
        return E_INVALIDARG;
    }
    if (!Holds(source) || !Holds(sink) || (intermediate != nullptr && !Holds(intermediate))) {
        return VFW_E_NOT_IN_GRAPH;
    }
    if (IsConnected(source) || IsConnected(sink) || (intermediate != nullptr && IsConnected(intermediate))) {
        return VFW_E_ALREADY_CONNECTED;
    }
    if (running_) {
        return VFW_E_NOT_STOPPED;
    }
    if (!grabber->AcceptsRgb24()) {
        return VFW_E_CANNOT_CONNECT;
    }
    FrameSize size{};
    if (!capture->FindFrameSize(&size)) {
        return VFW_E_CANNOT_CONNECT;
    }
    std::unique_ptr<StreamChain> chain = StreamChain::Build(*capture.Get(), *grabber.Get(), renderer.Get(), size);
    if (chain == nullptr) {
        return VFW_E_CANNOT_CONNECT;
    }
    grabber->SetConnected();
    chains_.push_back(std::move(chain));
    connected_.push_back(source);
    connected_.push_back(sink);
    if (intermediate != nullptr) {
        connected_.push_back(intermediate);
    }
    return S_OK;
}

}  // namespace dshow
