#include <dshow.h>
#include <qedit.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "preview_graph.h"
#include "sample_grabber.h"
#include "tests/support/test_files.h"
#include "tests/support/video_sources.h"
#include "test_scene.h"

namespace {

using test_support::PreviewGraph;
using test_support::TestInputs;
using test_support::WaitFor;

constexpr uint8_t kSentinel = 0xAB;

int32_t DibStride(int32_t width)
{
    return (3 * width + 3) & ~3;
}

// The connected format's bitmap header; fails the test when there is none.
BITMAPINFOHEADER ConnectedHeader(ISampleGrabber* grabber)
{
    AM_MEDIA_TYPE type{};
    EXPECT_EQ(S_OK, grabber->GetConnectedMediaType(&type));
    BITMAPINFOHEADER header{};
    EXPECT_EQ(sizeof(VIDEOINFOHEADER), type.cbFormat);
    if (type.pbFormat != nullptr) {
        header = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    }
    CoTaskMemFree(type.pbFormat);
    return header;
}

bool FrameArrives(PreviewGraph& graph)
{
    return WaitFor([&] { return graph.Counters().samplesReceived > 0; });
}

// Copies the newest frame into a buffer of `size` bytes followed by a guard area.
HRESULT CopyNewest(ISampleGrabber* grabber, LONG size, std::vector<uint8_t>* buffer)
{
    buffer->assign(static_cast<size_t>(size) + 64, kSentinel);
    LONG passed = size;
    return grabber->GetCurrentBuffer(&passed, reinterpret_cast<LONG*>(buffer->data()));
}

using SampleGrabberTest = test_support::ComObjectsTest;

TEST_F(SampleGrabberTest, UnconnectedGrabberHasNoFormatAndNoFrame)
{
    PreviewGraph graph(nullptr);
    AM_MEDIA_TYPE type{};
    EXPECT_EQ(VFW_E_NOT_CONNECTED, graph.grabber()->GetConnectedMediaType(&type));
    EXPECT_EQ(nullptr, type.pbFormat);
    LONG size = 0;
    uint8_t byte = 0;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, graph.grabber()->GetCurrentBuffer(&size, reinterpret_cast<LONG*>(&byte)));
}

TEST_F(SampleGrabberTest, TestCameraFormatIsKnownBeforeRunAndNoFrameYet)
{
    PreviewGraph graph(test_support::BindDevice(TestInputs(true), 0));
    ASSERT_EQ(S_OK, graph.Connect());

    AM_MEDIA_TYPE type{};
    ASSERT_EQ(S_OK, graph.grabber()->GetConnectedMediaType(&type));
    EXPECT_TRUE(type.majortype == MEDIATYPE_Video);
    EXPECT_TRUE(type.subtype == MEDIASUBTYPE_RGB24);
    EXPECT_TRUE(type.formattype == FORMAT_VideoInfo);
    EXPECT_EQ(640u * 3 * 480, type.lSampleSize);
    EXPECT_EQ(nullptr, type.pUnk);
    CoTaskMemFree(type.pbFormat);

    const BITMAPINFOHEADER header = ConnectedHeader(graph.grabber());
    EXPECT_EQ(40u, header.biSize);
    EXPECT_EQ(640, header.biWidth);
    EXPECT_EQ(480, header.biHeight);
    EXPECT_EQ(1, header.biPlanes);
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(static_cast<uint32_t>(BI_RGB), header.biCompression);
    EXPECT_EQ(640u * 3 * 480, header.biSizeImage);

    LONG size = 0;
    EXPECT_EQ(S_OK, graph.grabber()->GetCurrentBuffer(&size, nullptr));
    EXPECT_EQ(640 * 3 * 480, size);
    std::vector<uint8_t> buffer;
    EXPECT_EQ(VFW_E_WRONG_STATE, CopyNewest(graph.grabber(), size, &buffer));
    EXPECT_EQ(std::vector<uint8_t>(buffer.size(), kSentinel), buffer);
}

TEST_F(SampleGrabberTest, TestCameraFramesArriveBottomRowFirst)
{
    PreviewGraph graph(test_support::BindDevice(TestInputs(true), 0));
    ASSERT_EQ(S_OK, graph.Connect());
    ASSERT_EQ(S_OK, graph.control()->Run());
    ASSERT_TRUE(FrameArrives(graph));

    const LONG size = 640 * 3 * 480;
    std::vector<uint8_t> buffer;
    ASSERT_EQ(S_OK, CopyNewest(graph.grabber(), size, &buffer));
    // The banner is the scene's top rows: in the bitmap they are the last rows in memory.
    for (int y = 0; y < test_scene::kBannerRows; ++y) {
        const uint8_t* row = buffer.data() + (479 - y) * 640 * 3;
        for (int x = 0; x < 640; ++x) {
            const test_scene::Bgr expected = test_scene::BannerPixel(x, y);
            ASSERT_EQ(expected.b, row[3 * x]) << x << "," << y;
            ASSERT_EQ(expected.g, row[3 * x + 1]) << x << "," << y;
            ASSERT_EQ(expected.r, row[3 * x + 2]) << x << "," << y;
        }
    }
    EXPECT_EQ(std::vector<uint8_t>(64, kSentinel), std::vector<uint8_t>(buffer.begin() + size, buffer.end()));
    EXPECT_EQ(1u, graph.Counters().buffersCopied);

    // A buffer one byte short gets nothing at all.
    EXPECT_EQ(E_OUTOFMEMORY, CopyNewest(graph.grabber(), size - 1, &buffer));
    EXPECT_EQ(std::vector<uint8_t>(buffer.size(), kSentinel), buffer);

    // Without buffering there is nothing to copy.
    graph.grabber()->SetBufferSamples(FALSE);
    EXPECT_EQ(E_INVALIDARG, CopyNewest(graph.grabber(), size, &buffer));
    EXPECT_EQ(1u, graph.Counters().buffersCopied);
}

TEST_F(SampleGrabberTest, FileKeepsItsOwnOddSizeWithPaddedRowsAndLoops)
{
    test_support::TempDir dir;
    const std::string clip = dir / "odd.avi";
    constexpr int kFrames = 4;
    ASSERT_TRUE(test_support::WriteTestVideo(clip, 161, 121, kFrames));
    PreviewGraph graph(test_support::BindDevice(TestInputs(false, {clip}), 0));
    ASSERT_EQ(S_OK, graph.Connect());
    const BITMAPINFOHEADER header = ConnectedHeader(graph.grabber());
    EXPECT_EQ(161, header.biWidth);
    EXPECT_EQ(121, header.biHeight);
    EXPECT_EQ(static_cast<uint32_t>(DibStride(161) * 121), header.biSizeImage);

    ASSERT_EQ(S_OK, graph.control()->Run());
    // More frames than the file holds: it started again at its end.
    EXPECT_TRUE(WaitFor([&] { return graph.Counters().samplesReceived > 2 * kFrames; }));
    std::vector<uint8_t> buffer;
    ASSERT_EQ(S_OK, CopyNewest(graph.grabber(), static_cast<LONG>(header.biSizeImage), &buffer));
    for (int row = 0; row < 121; ++row) {
        const uint8_t* padding = buffer.data() + row * DibStride(161) + 161 * 3;
        ASSERT_EQ(0, padding[0]) << row;
    }
}

TEST_F(SampleGrabberTest, StreamErrorKeepsTheLastFrameIfThereWasOne)
{
    for (uint64_t errorAfter : {1u, 5u}) {
        const std::string source = test_support::PatternSource(64, 48, "error-after=" + std::to_string(errorAfter));
        PreviewGraph graph(test_support::BindDevice(TestInputs(false, {source}), 0));
        ASSERT_EQ(S_OK, graph.Connect());
        ASSERT_EQ(S_OK, graph.control()->Run());
        ASSERT_TRUE(WaitFor([&] { return graph.Counters().streamErrors > 0; }));
        EXPECT_EQ(errorAfter - 1, graph.Counters().samplesReceived);

        std::vector<uint8_t> buffer;
        EXPECT_EQ(errorAfter > 1 ? S_OK : VFW_E_WRONG_STATE, CopyNewest(graph.grabber(), DibStride(64) * 48, &buffer));
        EXPECT_EQ(S_OK, graph.control()->Stop());
    }
}

// The streaming thread's format check, which reads a stream's caps once: only BGR
// samples of the connected size with a picture are kept, whatever came before them, and
// the kept sample's format travels with it.
TEST(GrabberStateTest, OnlySamplesOfTheConnectedFormatAreKept)
{
    gst_init(nullptr, nullptr);
    dshow::GrabberState state;
    state.size = dshow::FrameSize{4, 2};
    state.buffering = true;
    auto caps = [](const char* format, int height) {
        return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, "width", G_TYPE_INT, 4, "height",
                                   G_TYPE_INT, height, nullptr);
    };
    auto deliver = [&](GstCaps* of, bool withPicture) {
        GstBuffer* buffer = withPicture ? gst_buffer_new_allocate(nullptr, 2 * 12, nullptr) : nullptr;
        state.Deliver(gst_sample_new(buffer, of, nullptr, nullptr));
        if (buffer != nullptr) gst_buffer_unref(buffer);
        return state.samplesReceived.load();
    };
    GstCaps* bgr = caps("BGR", 2);
    GstCaps* rgb = caps("RGB", 2);
    GstCaps* taller = caps("BGR", 3);
    GstCaps* bgrAgain = caps("BGR", 2);
    EXPECT_EQ(1u, deliver(bgr, true));
    EXPECT_EQ(1u, deliver(rgb, true));
    EXPECT_EQ(1u, deliver(taller, true));
    EXPECT_EQ(1u, deliver(taller, true));
    EXPECT_EQ(2u, deliver(bgrAgain, true));
    EXPECT_EQ(2u, deliver(bgrAgain, false));
    EXPECT_EQ(2u, deliver(nullptr, true));
    EXPECT_EQ(3u, deliver(bgr, true));
    EXPECT_EQ(GST_VIDEO_FORMAT_BGR, GST_VIDEO_INFO_FORMAT(&state.newestInfo));
    EXPECT_EQ(2, GST_VIDEO_INFO_HEIGHT(&state.newestInfo));
    for (GstCaps* each : {bgr, rgb, taller, bgrAgain}) gst_caps_unref(each);
}

}  // namespace
