#include <dshow.h>
#include <qedit.h>

#include <gtest/gtest.h>

#include <string>

#include "com_ptr.h"
#include "preview_graph.h"
#include "tests/support/video_sources.h"

namespace {

using test_support::PreviewGraph;
using test_support::TestInputs;
using test_support::WaitFor;

using CaptureGraphTest = test_support::ComObjectsTest;

OAFilterState StateOf(IMediaControl* control)
{
    OAFilterState state = -1;
    EXPECT_EQ(S_OK, control->GetState(0, &state));
    return state;
}

// Objects of the published interfaces that are not ours: the graph takes them in, but
// cannot stream through them.
class ForeignFilter : public com::Object<IBaseFilter> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_IBaseFilter, this}});
    }
};

class ForeignGraph : public com::Object<IGraphBuilder> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_IFilterGraph, this}, {&IID_IGraphBuilder, this}});
    }
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override { return S_OK; }
};

class ForeignGrabber : public com::Object<ISampleGrabber> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_ISampleGrabber, this}});
    }
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG*, LONG*) override { return E_NOTIMPL; }
};

TEST_F(CaptureGraphTest, EmptyGraphRunsAndStops)
{
    PreviewGraph graph(nullptr);
    EXPECT_EQ(State_Stopped, StateOf(graph.control()));
    EXPECT_EQ(S_OK, graph.control()->Run());
    EXPECT_EQ(State_Running, StateOf(graph.control()));
    EXPECT_EQ(S_OK, graph.control()->Stop());
    EXPECT_EQ(State_Stopped, StateOf(graph.control()));
}

TEST_F(CaptureGraphTest, RenderStreamRefusesWhatItCannotConnect)
{
    PreviewGraph graph(test_support::BindDevice(TestInputs(true), 0));
    IBaseFilter* outsider = test_support::BindDevice(TestInputs(true), 0);
    ICaptureGraphBuilder2* builder = graph.builder();

    EXPECT_EQ(E_INVALIDARG, graph.graph()->AddFilter(graph.source(), L"again"));
    EXPECT_EQ(E_UNEXPECTED, builder->SetFiltergraph(graph.graph()));
    EXPECT_EQ(E_INVALIDARG,
              builder->RenderStream(&LOOK_UPSTREAM_ONLY, nullptr, graph.source(), nullptr, graph.grabberFilter()));
    EXPECT_EQ(E_INVALIDARG, builder->RenderStream(&PIN_CATEGORY_PREVIEW, &FORMAT_VideoInfo, graph.source(), nullptr,
                                                  graph.grabberFilter()));
    EXPECT_EQ(E_POINTER,
              builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, nullptr, nullptr, graph.grabberFilter()));
    EXPECT_EQ(E_INVALIDARG,
              builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, graph.source(), nullptr, graph.source()));
    EXPECT_EQ(VFW_E_NOT_IN_GRAPH,
              builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, outsider, nullptr, graph.grabberFilter()));

    // A grabber that wants another format is not connected.
    AM_MEDIA_TYPE other{};
    other.majortype = MEDIATYPE_Video;
    other.subtype = MEDIATYPE_Video;
    graph.grabber()->SetMediaType(&other);
    EXPECT_EQ(VFW_E_CANNOT_CONNECT, graph.Connect());

    AM_MEDIA_TYPE rgb24{};
    rgb24.subtype = MEDIASUBTYPE_RGB24;
    graph.grabber()->SetMediaType(&rgb24);
    EXPECT_EQ(S_OK, graph.Connect());
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, graph.Connect());
    outsider->Release();

    // Without a graph there is nothing to build on.
    ICaptureGraphBuilder2* loose = nullptr;
    CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                     reinterpret_cast<void**>(&loose));
    EXPECT_EQ(E_UNEXPECTED,
              loose->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, graph.source(), nullptr, graph.grabberFilter()));
    loose->Release();
}

TEST_F(CaptureGraphTest, OnlyObjectsOfOursAreBuiltOnConnectedOrCounted)
{
    ComPtr<ICaptureGraphBuilder2> loose;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_ICaptureGraphBuilder2, loose.PutVoid()));
    const auto foreignGraph = ComPtr<ForeignGraph>::Adopt(new ForeignGraph);
    EXPECT_EQ(E_NOINTERFACE, loose->SetFiltergraph(foreignGraph.Get()));

    PreviewGraph graph(test_support::BindDevice(TestInputs(true), 0));
    // The refused graph left the builder free for one of ours.
    EXPECT_EQ(S_OK, loose->SetFiltergraph(graph.graph()));

    const auto foreign = ComPtr<ForeignFilter>::Adopt(new ForeignFilter);
    ASSERT_EQ(S_OK, graph.graph()->AddFilter(foreign.Get(), L"Foreign"));
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     renderer.PutVoid()));
    ASSERT_EQ(S_OK, graph.graph()->AddFilter(renderer.Get(), L"Video Renderer"));
    const GUID* preview = &PIN_CATEGORY_PREVIEW;
    EXPECT_EQ(E_INVALIDARG, loose->RenderStream(preview, nullptr, foreign.Get(), nullptr, graph.grabberFilter()));
    EXPECT_EQ(E_INVALIDARG, loose->RenderStream(preview, nullptr, graph.source(), nullptr, foreign.Get()));
    EXPECT_EQ(E_INVALIDARG, loose->RenderStream(preview, nullptr, graph.source(), foreign.Get(), renderer.Get()));
    EXPECT_EQ(E_INVALIDARG,
              loose->RenderStream(preview, nullptr, graph.source(), graph.grabberFilter(), foreign.Get()));
    // A renderer cannot stand where the grabber belongs.
    EXPECT_EQ(E_INVALIDARG,
              loose->RenderStream(preview, nullptr, graph.source(), renderer.Get(), graph.grabberFilter()));

    const auto foreignGrabber = ComPtr<ForeignGrabber>::Adopt(new ForeignGrabber);
    dshow::GrabberCounters counters;
    EXPECT_EQ(E_INVALIDARG, dshow::ReadGrabberCounters(foreignGrabber.Get(), &counters));
    EXPECT_EQ(E_INVALIDARG, dshow::ReadGrabberCounters(nullptr, &counters));

    // None of the refusals connected anything: ours still connect.
    EXPECT_EQ(S_OK, loose->RenderStream(preview, nullptr, graph.source(), graph.grabberFilter(), renderer.Get()));
}

TEST_F(CaptureGraphTest, NoCrossbarIsFoundUpstream)
{
    PreviewGraph graph(test_support::BindDevice(TestInputs(true), 0));
    IAMCrossbar* crossbar = reinterpret_cast<IAMCrossbar*>(1);
    EXPECT_TRUE(FAILED(graph.builder()->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, graph.source(), IID_IAMCrossbar,
                                                      reinterpret_cast<void**>(&crossbar))));
    EXPECT_EQ(nullptr, crossbar);
}

TEST_F(CaptureGraphTest, SourcesWithoutUsableVideoAreNotConnected)
{
    for (const std::string& source : {std::string("audiotestsrc"), test_support::PatternSource(16385, 2)}) {
        PreviewGraph graph(test_support::BindDevice(TestInputs(false, {source}), 0));
        ASSERT_NE(nullptr, graph.source()) << source;
        EXPECT_EQ(VFW_E_CANNOT_CONNECT, graph.Connect()) << source;
        AM_MEDIA_TYPE type{};
        EXPECT_EQ(VFW_E_NOT_CONNECTED, graph.grabber()->GetConnectedMediaType(&type));
        EXPECT_EQ(S_OK, graph.control()->Run());
    }
}

TEST_F(CaptureGraphTest, RendererBehindTheGrabberLeavesFramesInIt)
{
    PreviewGraph graph(test_support::BindDevice(TestInputs(true), 0));
    IBaseFilter* renderer = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     reinterpret_cast<void**>(&renderer)));
    ASSERT_EQ(S_OK, graph.graph()->AddFilter(renderer, L"Video Renderer"));
    EXPECT_EQ(S_OK, graph.builder()->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, graph.source(), graph.grabberFilter(),
                                                  renderer));
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, graph.Connect());
    renderer->Release();  // the graph keeps its own reference

    ASSERT_EQ(S_OK, graph.control()->Run());
    EXPECT_TRUE(WaitFor([&] { return graph.Counters().samplesReceived > 0; }));
}

}  // namespace
