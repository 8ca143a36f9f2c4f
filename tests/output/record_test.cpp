// Recordings and outputs of the running program, read back as a player reads them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gst/gst.h>

#include "tests/e2e/run_folder.h"
#include "tests/output/decoded_video.h"
#include "tests/support/test_files.h"

namespace output_test {
namespace {

using e2e::RunFolder;
using e2e::RunResult;
using testing::HasSubstr;
using testing::Not;
using namespace std::chrono_literals;

constexpr int64_t kTick = 30'000'000;  // ns
constexpr size_t kDisplayFrameBytes = 320 * 240 * 3;

// A still picture, skin-coloured all over: the logo sits in the middle of the display.
const char kStillSource[] =
    "videotestsrc pattern=solid-color foreground-color=0xffe0a080 ! video/x-raw,width=640,height=480,framerate=30/1 ! identity";

std::vector<std::string> StillRun(const std::vector<std::string>& presses, int ticks,
                                  const std::vector<std::string>& more)
{
    std::vector<std::string> args = {"--no-test-camera", "--source", kStillSource};
    for (const std::string& arg : e2e::Unattended("yes", presses, ticks)) args.push_back(arg);
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::string Text(const std::string& path)
{
    const std::vector<uint8_t> bytes = test_support::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The seconds that the unattended report gives for the run.
double ReportedSeconds(const std::string& out)
{
    const size_t at = out.find(" ticks in ");
    return at == std::string::npos ? -1 : std::strtod(out.c_str() + at + 10, nullptr);
}

TEST(RecordTest, LosslessRecordingHoldsEachSnapshotAtItsTick)
{
    RunFolder folder;
    // Snapshots where the logo has just moved on (30) and just before it moves (44, 83),
    // with Intercepter on, off and on again.
    const RunResult result = folder.Run(StillRun(
        {"0:intercept", "30:snapshot", "44:snapshot", "50:intercept", "60:snapshot", "70:intercept", "83:snapshot"}, 90,
        {"--record", "out.mkv"}));
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_THAT(result.err, HasSubstr("recording out.mkv finished: 90 frames"));

    const DecodedVideo video = Decode(folder / "out.mkv");
    ASSERT_TRUE(video.complete) << video.error;
    ASSERT_EQ(320, video.width);
    ASSERT_EQ(240, video.height);
    ASSERT_EQ(90u, video.frames.size());
    const int ticks[] = {30, 44, 60, 83};
    for (int i = 0; i < 4; ++i) {
        const std::vector<uint8_t> snapshot = BmpPixels(folder / ("snap000" + std::to_string(i) + ".bmp"));
        ASSERT_EQ(kDisplayFrameBytes, snapshot.size());
        EXPECT_TRUE(video.frames[ticks[i] - 1] == snapshot) << "snapshot at tick " << ticks[i];
    }
    // Each frame lasts a tick; the file lasts from the first tick to one after the last.
    EXPECT_NEAR(static_cast<double>(video.times.back() + kTick), static_cast<double>(video.duration), 2e6);
    EXPECT_GE(video.duration, 88 * kTick);
    EXPECT_LE(video.duration, static_cast<int64_t>((ReportedSeconds(result.out) + 0.1) * 1e9));
}

TEST(RecordTest, OutputsGetTheFramesAndAFailingOneLeavesThePictureRunning)
{
    RunFolder folder;
    const RunResult result = folder.Run(
        StillRun({"0:intercept", "40:snapshot"}, 50,
                 {"--output", "filesink location=frames.bgr", "--output", "identity error-after=15 ! fakesink"}));
    // The failed output was asked for: the unattended run did not do all it was asked.
    ASSERT_TRUE(result.ended) << result;
    EXPECT_EQ(1, result.exitCode) << result;
    EXPECT_THAT(result.out, HasSubstr("50 ticks in"));
    EXPECT_THAT(result.out, HasSubstr("1 of 1 snapshots written"));
    const std::string stopped = "output \"identity error-after=15 ! fakesink\" stopped, the picture goes on: ";
    const size_t at = result.err.find(stopped);
    ASSERT_NE(std::string::npos, at) << result;
    EXPECT_EQ(std::string::npos, result.err.find("stopped", at + stopped.size())) << "one message only";
    EXPECT_THAT(result.err, HasSubstr("output \"filesink location=frames.bgr\" finished: 50 frames"));

    // Raw frames, top row first, each the picture shown at its tick.
    const std::vector<uint8_t> raw = test_support::ReadFileBytes(folder / "frames.bgr");
    ASSERT_EQ(50 * kDisplayFrameBytes, raw.size());
    const std::vector<uint8_t> frame40(raw.begin() + 39 * kDisplayFrameBytes, raw.begin() + 40 * kDisplayFrameBytes);
    EXPECT_TRUE(frame40 == BmpPixels(folder / "snap0000.bmp"));
}

TEST(RecordTest, TerminationMidRecordingLeavesAPlayableFile)
{
    RunFolder folder;
    const std::unique_ptr<e2e::ProgramRun> run =
        folder.Start(StillRun({"20:snapshot"}, 100000, {"--record", "out.mkv"}));
    ASSERT_TRUE(run->WaitForOutput("snapshot 0 written", 30s));
    ASSERT_EQ(0, kill(run->Pid(), SIGTERM));
    const RunResult result = run->Wait(60s);
    ASSERT_TRUE(result.Clean()) << result;

    const DecodedVideo video = Decode(folder / "out.mkv");
    EXPECT_TRUE(video.complete) << video.error;
    EXPECT_GE(video.frames.size(), 20u);
    EXPECT_NEAR(static_cast<double>(video.times.back() + kTick), static_cast<double>(video.duration), 2e6);

    // Ended at once while starting up (a source that never shows its picture size), the
    // program leaves no empty recording that would hold the name.
    const std::unique_ptr<e2e::ProgramRun> starting = folder.Start(
        {"--headless", "--no-test-camera", "--source", "appsrc", "--answer", "yes", "--record", "early.mkv"});
    std::this_thread::sleep_for(1s);
    ASSERT_EQ(0, kill(starting->Pid(), SIGTERM));
    EXPECT_EQ(SIGTERM, starting->Wait(10s).signal);
    EXPECT_FALSE(std::filesystem::exists(folder / "early.mkv"));
}

TEST(RecordTest, RecordEntryStartsAndStopsNumberedRecordingsThatReplaceNothing)
{
    RunFolder folder;
    std::ofstream(folder / "rec0000.mkv") << "an earlier recording";
    const RunResult result = folder.Run(StillRun({"10:record", "30:record", "40:record"}, 60, {}));
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_EQ("an earlier recording", Text(folder / "rec0000.mkv"));
    for (const char* name : {"rec0001.mkv", "rec0002.mkv"}) {
        const DecodedVideo video = Decode(folder / name);
        EXPECT_TRUE(video.complete) << name << ": " << video.error;
        EXPECT_EQ(20u, video.frames.size()) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "rec0003.mkv"));
}

TEST(RecordTest, BadOutputsAreRefusedBeforeTheWindowOpens)
{
    RunFolder folder;
    std::ofstream(folder / "taken.mkv") << "kept";
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--output", "nosuchelement"}, "no element \"nosuchelement\""},
        {{"--output", "v4l2sink device=/nonexistent/video99"}, "/nonexistent/video99"},
        {{"--record", "out.avi"}, "a recording is named .mkv"},
        {{"--record", "no/such/folder/out.mkv"}, "No such file or directory"},
        {{"--record", "taken.mkv"}, "taken.mkv exists"},
        {{"--record", "fine.mkv", "--output", "nosuchelement"}, "no element"},
        {{"--output-size", "641x480"}, "--output-size takes"},
    };
    for (const auto& refused : cases) {
        const RunResult result = folder.Run(StillRun({}, 10, refused.args));
        EXPECT_EQ(2, result.exitCode) << result;
        EXPECT_THAT(result.err, HasSubstr(refused.message));
        EXPECT_THAT(result.err, Not(HasSubstr("Use this device"))) << "the window must not open";
    }
    EXPECT_EQ("kept", Text(folder / "taken.mkv"));
    EXPECT_EQ((std::vector<std::string>{"images", "taken.mkv", "vosk.cfg"}), e2e::FilesIn(folder.Path()));
}

TEST(RecordTest, Mp4NeedsItsEncoder)
{
    RunFolder folder;
    const RunResult result = folder.Run(StillRun({}, 10, {"--record", "out.mp4"}));
    gst_init(nullptr, nullptr);
    GstElementFactory* encoder = gst_element_factory_find("x264enc");
    if (encoder == nullptr) {
        EXPECT_EQ(2, result.exitCode) << result;
        EXPECT_THAT(result.err, HasSubstr("needs the encoder x264enc (Debian package gstreamer1.0-plugins-ugly)"));
        EXPECT_FALSE(std::filesystem::exists(folder / "out.mp4"));
        return;
    }
    gst_object_unref(encoder);
    ASSERT_TRUE(result.Clean()) << result;
    const DecodedVideo video = Decode(folder / "out.mp4");
    EXPECT_TRUE(video.complete) << video.error;
    EXPECT_EQ(10u, video.frames.size());
}

TEST(RecordTest, LargerOutputSizeScalesTheLogoWithThePicture)
{
    RunFolder folder;
    const RunResult result =
        folder.Run(StillRun({"0:intercept", "30:snapshot"}, 35, {"--output-size", "640x480", "--record", "big.mkv"}));
    ASSERT_TRUE(result.Clean()) << result;
    const std::vector<uint8_t> snapshot = BmpPixels(folder / "snap0000.bmp");
    ASSERT_EQ(kDisplayFrameBytes, snapshot.size());
    // The snapshot keeps its size and has the logo over the skin-coloured picture.
    long logoPixels = 0;
    for (size_t i = 0; i < snapshot.size(); i += 3) logoPixels += std::memcmp(&snapshot[i], &snapshot[0], 3) != 0;
    EXPECT_GT(logoPixels, 1000);

    const DecodedVideo video = Decode(folder / "big.mkv");
    ASSERT_TRUE(video.complete) << video.error;
    ASSERT_EQ(640, video.width);
    ASSERT_EQ(480, video.height);
    ASSERT_EQ(35u, video.frames.size());
    // The still camera frame is the display's picture at twice the size, so every pixel
    // of the recording is the snapshot's pixel at half its position, the logo's included.
    const std::vector<uint8_t>& frame = video.frames[29];
    long differing = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            differing += std::memcmp(&frame[(y * 640 + x) * 3], &snapshot[((y / 2) * 320 + x / 2) * 3], 3) != 0;
        }
    }
    EXPECT_EQ(0, differing);
}

// A v4l2loopback device, or empty when there is none.
std::string LoopbackDevice()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/devices/virtual/video4linux", error)) {
        return "/dev/" + entry.path().filename().string();
    }
    return "";
}

TEST(VirtualCameraTest, LoopbackDeviceShowsThePicture)
{
    const std::string device = LoopbackDevice();
    if (device.empty()) {
        GTEST_SKIP() << "skipped: no v4l2loopback device (sudo modprobe v4l2loopback exclusive_caps=1 runs it)";
    }
    RunFolder folder;
    const std::unique_ptr<e2e::ProgramRun> run =
        folder.Start(StillRun({"0:intercept"}, 300, {"--output", "v4l2sink device=" + device}));
    std::this_thread::sleep_for(2s);
    const std::string camera = "v4l2src device=" + device +
                               " num-buffers=5 ! videoconvert ! matroskamux ! "
                               "filesink location=\"" +
                               folder / "camera.mkv" + "\"";
    const int status = std::system(("gst-launch-1.0 -q " + camera + " >/dev/null").c_str());
    EXPECT_EQ(0, status);
    const DecodedVideo video = Decode(folder / "camera.mkv");
    EXPECT_EQ(5u, video.frames.size()) << video.error;
    EXPECT_EQ(320, video.width);
    EXPECT_TRUE(run->Wait(60s).Clean());
}

}  // namespace
}  // namespace output_test
