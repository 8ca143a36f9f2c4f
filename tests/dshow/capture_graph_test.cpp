#include <dshow.h>
#include <qedit.h>

#include <gtest/gtest.h>

#include <string>

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
    EXPECT_EQ(E_INVALIDARG, builder->RenderStream(&LOOK_UPSTREAM_ONLY, nullptr, graph.source(), nullptr,
                                                  graph.grabberFilter()));
    EXPECT_EQ(E_INVALIDARG, builder->RenderStream(&PIN_CATEGORY_PREVIEW, &FORMAT_VideoInfo, graph.source(), nullptr,
                                                  graph.grabberFilter()));
    EXPECT_EQ(E_POINTER, builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, nullptr, nullptr,
                                               graph.grabberFilter()));
    EXPECT_EQ(E_INVALIDARG, builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, graph.source(), nullptr,
                                                  graph.source()));
    EXPECT_EQ(VFW_E_NOT_IN_GRAPH, builder->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, outsider, nullptr,
                                                        graph.grabberFilter()));

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
    EXPECT_EQ(E_UNEXPECTED, loose->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, graph.source(), nullptr,
                                                graph.grabberFilter()));
    loose->Release();
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
    EXPECT_EQ(S_OK, graph.builder()->RenderStream(&PIN_CATEGORY_PREVIEW, nullptr, graph.source(),
                                                  graph.grabberFilter(), renderer));
    EXPECT_EQ(VFW_E_ALREADY_CONNECTED, graph.Connect());
    renderer->Release();  // the graph keeps its own reference

    ASSERT_EQ(S_OK, graph.control()->Run());
    EXPECT_TRUE(WaitFor([&] { return graph.Counters().samplesReceived > 0; }));
}

}  // namespace
