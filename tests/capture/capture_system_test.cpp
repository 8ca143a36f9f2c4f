#include "capture/capture_system.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "capture_test_support.h"
#include "tests/support/test_files.h"

namespace {

using test_support::PatternSource;
using test_support::TestInputs;

constexpr char kQuestion[] = "このデバイスを使用しますか？";

bool IsZero(const void* bytes, size_t size)
{
    const std::vector<uint8_t> zero(size, 0);
    return std::memcmp(bytes, zero.data(), size) == 0;
}

OAFilterState GraphState(IGraphBuilder* graph)
{
    IMediaControl* control = nullptr;
    graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    OAFilterState state = -1;
    control->GetState(0, &state);
    control->Release();
    return state;
}

class CaptureSystemTest : public test_support::CaptureTest {};

TEST_F(CaptureSystemTest, WithoutDevicesItSaysSoAndOpensNothing)
{
    dshow::SetVideoInputSettings(TestInputs(false));
    CaptureSystem capture;
    EXPECT_EQ(-1, capture.Open(1, 0));
    ASSERT_EQ(1u, Shown().size());
    EXPECT_EQ("ビデオキャプチャデバイスが存在しません", Shown()[0].text);
    EXPECT_EQ("ERROR", Shown()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), Shown()[0].type);
    EXPECT_EQ(nullptr, capture.Graph());
    EXPECT_EQ(0, capture.DeviceCount());
}

TEST_F(CaptureSystemTest, NoToEveryDeviceRunsAnEmptyGraph)
{
    const std::string pattern = PatternSource(32, 24);
    dshow::SetVideoInputSettings(TestInputs(true, {pattern}));
    CaptureSystem capture;
    EXPECT_EQ(0, capture.Open(1, 0));
    ASSERT_EQ(2u, Shown().size());
    EXPECT_EQ("Quenmire test camera", Shown()[0].text);
    EXPECT_EQ(pattern, Shown()[1].text);
    for (const auto& shown : Shown()) {
        EXPECT_EQ(kQuestion, shown.caption);
        EXPECT_EQ(static_cast<UINT>(MB_YESNO), shown.type);
    }
    ASSERT_NE(nullptr, capture.Graph());
    EXPECT_EQ(State_Running, GraphState(capture.Graph()));
    EXPECT_EQ(0, capture.DeviceCount());
}

TEST_F(CaptureSystemTest, NamesAreListedInTheOrderOfferedWithoutQuestions)
{
    const std::string pattern = PatternSource(32, 24);
    dshow::SetVideoInputSettings(TestInputs(true, {pattern}));
    std::vector<std::string> names{"kept"};
    EXPECT_EQ(2, ListVideoInputNames(&names));
    EXPECT_EQ((std::vector<std::string>{"kept", "Quenmire test camera", pattern}), names);

    dshow::SetVideoInputSettings(TestInputs(false));
    names.clear();
    EXPECT_EQ(-1, ListVideoInputNames(&names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(Shown().empty());
}

TEST_F(CaptureSystemTest, OneDeviceAtMostStopsAtTheFirstYes)
{
    const std::string first = PatternSource(32, 24);
    const std::string second = PatternSource(48, 32);
    dshow::SetVideoInputSettings(TestInputs(true, {first, second}));
    Answer({IDNO, IDYES, IDYES});
    CaptureSystem capture;
    EXPECT_EQ(1, capture.Open(1, 0));
    ASSERT_EQ(2u, Shown().size());  // the third device is never offered
    EXPECT_STREQ(first.c_str(), capture.Device(0).name);
    EXPECT_EQ(32, capture.DeviceWidth(0));
}

TEST_F(CaptureSystemTest, FailedBindIsReportedAndTheNextDeviceFillsTheRecord)
{
    dshow::SetVideoInputSettings(TestInputs(false, {"no-such-element-anywhere", PatternSource(32, 24)}));
    Answer({IDYES, IDYES});
    CaptureSystem capture;
    EXPECT_EQ(1, capture.Open(2, 0));
    ASSERT_EQ(3u, Shown().size());
    EXPECT_EQ("バインド失敗", Shown()[1].text);
    EXPECT_EQ(PatternSource(32, 24), Shown()[2].text);
    EXPECT_STREQ(PatternSource(32, 24).c_str(), capture.Device(0).name);
    EXPECT_TRUE(IsZero(&capture.Device(1), sizeof(CaptureDevice)));
}

TEST_F(CaptureSystemTest, MoreThanTenDevicesAreNeverAskedFor)
{
    dshow::SetVideoInputSettings(TestInputs(false, std::vector<std::string>(12, PatternSource(16, 16))));
    Answer(std::vector<int>(12, IDYES));
    CaptureSystem capture;
    EXPECT_EQ(10, capture.Open(12, 0));
    EXPECT_EQ(10u, Shown().size());
    EXPECT_EQ(16, capture.DeviceWidth(9));
}

TEST_F(CaptureSystemTest, AcceptedDeviceHoldsItsConnectedFormat)
{
    dshow::SetVideoInputSettings(TestInputs(true));
    Answer({IDYES});
    CaptureSystem capture;
    ASSERT_EQ(1, capture.Open(1, 0));
    const CaptureDevice& device = capture.Device(0);
    EXPECT_STREQ("Quenmire test camera", device.name);
    EXPECT_EQ(40u, device.header.bmiHeader.biSize);
    EXPECT_EQ(640, capture.DeviceWidth(0));
    EXPECT_EQ(480, capture.DeviceHeight(0));
    EXPECT_EQ(640 * 3 * 480, capture.DeviceImageSize(0));
    EXPECT_EQ(24, device.header.bmiHeader.biBitCount);
    EXPECT_TRUE(IsZero(device.header.bmiColors, sizeof(RGBQUAD)));
    // No crossbar on Linux: counts and types stay zero.
    EXPECT_EQ(nullptr, device.crossbar);
    EXPECT_EQ(0, device.crossbarOutputCount);
    EXPECT_EQ(0, device.crossbarInputCount);
    EXPECT_TRUE(IsZero(device.crossbarOutputTypes, sizeof device.crossbarOutputTypes));
    EXPECT_TRUE(IsZero(device.crossbarInputTypes, sizeof device.crossbarInputTypes));
    EXPECT_EQ(nullptr, device.rendererFilter);
    EXPECT_NE(nullptr, device.grabber);
    EXPECT_NE(nullptr, device.builder);
}

TEST_F(CaptureSystemTest, OnlyRendererOneAddsARenderer)
{
    dshow::SetVideoInputSettings(TestInputs(true));
    for (int withRenderer : {1, 2}) {
        Answer({IDYES});
        CaptureSystem capture;
        ASSERT_EQ(1, capture.Open(1, withRenderer));
        EXPECT_EQ(withRenderer == 1, capture.Device(0).rendererFilter != nullptr);
        EXPECT_EQ(640, capture.DeviceWidth(0));
        DibImage frame;
        EXPECT_TRUE(test_support::WaitFor([&] { return capture.FetchFrame(0, frame) == 0; }));
    }
}

TEST_F(CaptureSystemTest, DeviceWithoutAGrabberOrGraphIsKeptButUnusable)
{
    dshow::SetVideoInputSettings(TestInputs(true));
    for (const CLSID* missing : {&CLSID_SampleGrabber, &CLSID_CaptureGraphBuilder2, &CLSID_FilterGraph}) {
        const com::ClassFactory factory = com::RegisterServerClass(*missing, nullptr);
        {
            Answer({IDYES});
            CaptureSystem capture;
            EXPECT_EQ(1, capture.Open(1, 1));
            EXPECT_TRUE(IsZero(&capture.Device(0).header, sizeof(BITMAPINFO)));
            DibImage frame;
            EXPECT_EQ(-1, capture.FetchFrame(0, frame));
            EXPECT_EQ(-1, capture.FetchFrame(0, frame));
            EXPECT_EQ(0, frame.ImageSize());
        }
        com::RegisterServerClass(*missing, factory);
    }
}

TEST_F(CaptureSystemTest, LongNameIsCutToWholeCharacters)
{
    std::string source = "videotestsrc name=";
    for (int i = 0; i < 100; ++i) {
        source += "あ";  // three bytes each
    }
    dshow::SetVideoInputSettings(TestInputs(false, {source}));
    CaptureSystem capture;
    EXPECT_EQ(0, capture.Open(1, 0));
    ASSERT_EQ(1u, Shown().size());
    // 18 bytes of text and 79 whole characters fill 255 bytes exactly.
    EXPECT_EQ(source.substr(0, 255), Shown()[0].text);
}

TEST_F(CaptureSystemTest, VideoFileDeliversFramesAtItsOwnSize)
{
    test_support::TempDir dir;
    const std::string clip = dir / "clip.avi";
    ASSERT_TRUE(test_support::WriteTestVideo(clip, 176, 144, 5));
    dshow::SetVideoInputSettings(TestInputs(false, {clip}));
    Answer({IDYES});
    CaptureSystem capture;
    ASSERT_EQ(1, capture.Open(1, 0));
    EXPECT_STREQ("clip.avi", capture.Device(0).name);
    DibImage frame;
    ASSERT_TRUE(test_support::WaitFor([&] { return capture.FetchFrame(0, frame) == 0; }));
    EXPECT_EQ(176, frame.Width());
    EXPECT_EQ(144, frame.Height());
    EXPECT_EQ(176 * 3 * 144, frame.ImageSize());
}

TEST_F(CaptureSystemTest, StreamErrorLeavesTheLastFrame)
{
    dshow::SetVideoInputSettings(TestInputs(false, {PatternSource(64, 48, "error-after=10")}));
    Answer({IDYES});
    CaptureSystem capture;
    ASSERT_EQ(1, capture.Open(1, 0));
    ASSERT_TRUE(test_support::WaitFor([&] { return Counters(capture, 0).streamErrors > 0; }));
    DibImage frame;
    EXPECT_EQ(0, capture.FetchFrame(0, frame));
    EXPECT_EQ(0, capture.FetchFrame(0, frame));
    EXPECT_EQ(2u, Counters(capture, 0).buffersCopied);
}

}  // namespace
