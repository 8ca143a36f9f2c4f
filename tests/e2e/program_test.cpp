// The program run as a user runs it: the built binary in a folder with images/ and
// vosk.cfg, unattended, judged by its exit status, what it prints and the files it writes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_scene.h"
#include "tests/e2e/picture_check.h"
#include "tests/e2e/run_folder.h"
#include "tests/support/test_files.h"

namespace e2e {
namespace {

using testing::HasSubstr;
using testing::Not;

constexpr int kDisplayWidth = 320;
constexpr int kDisplayHeight = 240;
constexpr int kLogoSize = 100;
constexpr int kLogoFrames = 60;

// The logo frame that a snapshot pressed at a tick shows: the animation moves on every
// third tick, before that tick draws.
int LogoFrameAt(int tick)
{
    return tick / 3 % kLogoFrames;
}

std::vector<Picture> LogoFrames(const RunFolder& folder)
{
    std::vector<std::string> paths;
    for (int i = 0; i < kLogoFrames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "images/laugh%04d.bmp", i);
        paths.push_back(folder / name);
    }
    return ReadPictures(paths, kLogoSize, kLogoSize);
}

// Display pixels from the point to the nearest place that the test camera's head
// centre passes through.
double DistanceFromHeadPath(Point point)
{
    constexpr int kFramesInPath = 1650;  // the path repeats after this many frames
    double nearest = INFINITY;
    for (int frame = 0; frame < kFramesInPath; ++frame) {
        const test_scene::Point centre = test_scene::HeadCentre(kDisplayWidth, kDisplayHeight, frame);
        nearest = std::min(nearest, std::hypot(centre.x - point.x, centre.y - point.y));
    }
    return nearest;
}

// The head is hidden: the logo lies centred on the head's path and no skin shows
// outside the logo's own pixels.
void ExpectLogoOverTheFace(const Picture& snapshot, const Picture& logo)
{
    const std::optional<Point> corner = FindLogo(snapshot, logo);
    ASSERT_TRUE(corner.has_value()) << "the expected logo frame is not in the picture";
    const Point centre{corner->x + kLogoSize / 2, corner->y + kLogoSize / 2};
    EXPECT_LT(DistanceFromHeadPath(centre), 2.0) << "logo centred at " << centre.x << ", " << centre.y;
    EXPECT_LT(FindSkin(snapshot, &logo, *corner).count, 20);
}

// The face shows: a face-sized skin region centred on the head's path.
void ExpectFaceShown(const Picture& snapshot)
{
    const SkinRegion skin = FindSkin(snapshot);
    EXPECT_GT(skin.count, 2000);
    EXPECT_LT(skin.count, 5000);
    EXPECT_LT(DistanceFromHeadPath(skin.centroid), 1.5) << "face at " << skin.centroid.x << ", " << skin.centroid.y;
}

// What ./run starts on a machine without a display, where no runtime folder is set either.
TEST(ProgramTest, TheDemoHidesTheTestCameraFaceInThreeSnapshots)
{
    RunFolder folder;
    const Launch bare{{}, {}, {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "QT_QPA_PLATFORM"}};
    const RunResult result = folder.Run({"--demo"}, 60s, bare);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_EQ("quenmire: このデバイスを使用しますか？ (Use this device?) Quenmire test camera: yes\n", result.err);
    EXPECT_THAT(result.out, HasSubstr("quenmire: 170 ticks in "));
    EXPECT_THAT(result.out, HasSubstr("3 of 3 snapshots written"));
    EXPECT_EQ((std::vector<std::string>{"images", "snap0000.bmp", "snap0001.bmp", "snap0002.bmp", "vosk.cfg"}),
              FilesIn(folder.Path()));

    const int snapshotTicks[] = {60, 110, 160};
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        paths.push_back(folder / ("snap000" + std::to_string(i) + ".bmp"));
        EXPECT_THAT(result.out, HasSubstr("snapshot " + std::to_string(i) + " written: " + paths.back() + "\n"));
        EXPECT_EQ(kSnapshotDescription, Describe(paths.back()));
        EXPECT_EQ(24, BitsPerPixel(paths.back()));
    }
    const std::vector<Picture> snapshots = ReadPictures(paths, kDisplayWidth, kDisplayHeight);
    const std::vector<Picture> logos = LogoFrames(folder);
    ASSERT_EQ(3u, snapshots.size());
    ASSERT_EQ(60u, logos.size());
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("snapshot " + std::to_string(i));
        ExpectLogoOverTheFace(snapshots[i], logos[LogoFrameAt(snapshotTicks[i])]);
    }
}

TEST(ProgramTest, IntercepterTogglesBetweenFaceAndLogo)
{
    RunFolder folder;
    const RunResult result = folder.Run(Unattended(
        "yes", {"0:intercept", "30:snapshot", "45:intercept", "60:snapshot", "75:intercept", "90:snapshot"}, 100));
    ASSERT_TRUE(result.Clean()) << result;
    const std::vector<Picture> snapshots = ReadPictures(
        {folder / "snap0000.bmp", folder / "snap0001.bmp", folder / "snap0002.bmp"}, kDisplayWidth, kDisplayHeight);
    const std::vector<Picture> logos = LogoFrames(folder);
    ASSERT_EQ(3u, snapshots.size()) << result;
    ASSERT_EQ(60u, logos.size());

    ExpectLogoOverTheFace(snapshots[0], logos[LogoFrameAt(30)]);
    ExpectFaceShown(snapshots[1]);
    EXPECT_FALSE(FindLogo(snapshots[1], logos[LogoFrameAt(60)]).has_value());
    ExpectLogoOverTheFace(snapshots[2], logos[LogoFrameAt(90)]);
}

TEST(ProgramTest, StopHoldsThePictureAndStartResumesIt)
{
    RunFolder folder;
    const RunResult result =
        folder.Run(Unattended("yes", {"10:stop", "20:snapshot", "35:snapshot", "40:start", "60:snapshot"}, 70));
    ASSERT_TRUE(result.Clean()) << result;
    // While stopped, ticks are counted at the timer's pace but nothing is fetched.
    EXPECT_EQ(70, Reported(result.out, "ticks"));
    EXPECT_NEAR(40, Reported(result.out, "fetched"), 2);
    EXPECT_EQ(test_support::ReadFileBytes(folder / "snap0000.bmp"),
              test_support::ReadFileBytes(folder / "snap0001.bmp"));
    EXPECT_NE(test_support::ReadFileBytes(folder / "snap0001.bmp"),
              test_support::ReadFileBytes(folder / "snap0002.bmp"));
}

TEST(ProgramTest, AVideoFileIsADeviceThatPlaysInALoop)
{
    RunFolder folder;
    const std::string video = folder / "bars.avi";
    const std::string write =
        "gst-launch-1.0 -q videotestsrc num-buffers=20 pattern=smpte ! "
        "video/x-raw,width=640,height=480,framerate=30/1 ! jpegenc ! avimux ! filesink location=" +
        video + " >/dev/null 2>&1";
    ASSERT_EQ(0, std::system(write.c_str()));

    const RunResult result = folder.Run({"--headless", "--no-test-camera", "--source", video, "--answer", "yes",
                                         "--press", "80:snapshot", "--ticks", "100"});
    ASSERT_TRUE(result.Clean()) << result;
    // Starting the file again is quiet.
    EXPECT_EQ("quenmire: このデバイスを使用しますか？ (Use this device?) bars.avi: yes\n", result.err);
    EXPECT_THAT(result.out, HasSubstr("from \"bars.avi\""));
    EXPECT_GT(Reported(result.out, "frames received"), 40);  // twice round the file at least

    const std::vector<Picture> snapshot = ReadPictures({folder / "snap0000.bmp"}, kDisplayWidth, kDisplayHeight);
    ASSERT_EQ(1u, snapshot.size());
    // The seven bars of the top part: grey, yellow, cyan, green, magenta, red, blue.
    const bool lit[7][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}};
    for (int i = 0; i < 7; ++i) {
        const Rgb shown = snapshot[0].At(kDisplayWidth * (2 * i + 1) / 14, 60);
        const int channels[3] = {shown.r, shown.g, shown.b};
        for (int c = 0; c < 3; ++c) {
            if (lit[i][c]) {
                EXPECT_GT(channels[c], 150) << "bar " << i << ", channel " << c;
            } else {
                EXPECT_LT(channels[c], 70) << "bar " << i << ", channel " << c;
            }
        }
    }
}

// An unattended run that had no device to use did not do its work: it says so, and its
// exit status says so. The device questions and messages go to standard error, in the
// dialog's words and in English.
TEST(ProgramTest, WithoutADeviceAcceptedTheProgramEndsWithAFailure)
{
    RunFolder folder;
    const auto expectNoDevice = [](const RunResult& result) {
        EXPECT_TRUE(result.ended);
        EXPECT_EQ(1, result.exitCode) << result;
        EXPECT_THAT(result.out, HasSubstr("no device in use"));
    };
    const RunResult declined = folder.Run(Unattended("no", {"1:snapshot"}, 10));
    expectNoDevice(declined);
    EXPECT_THAT(declined.err,
                HasSubstr("quenmire: このデバイスを使用しますか？ (Use this device?) Quenmire test camera: no"));

    const RunResult none = folder.Run({"--headless", "--no-test-camera", "--answer", "yes", "--ticks", "10"});
    expectNoDevice(none);
    EXPECT_THAT(
        none.err,
        HasSubstr("quenmire: [ERROR] ビデオキャプチャデバイスが存在しません (there is no video capture device)"));

    // Nobody to ask and no answer given: No, with a hint.
    const RunResult unanswered = folder.Run({"--headless", "--ticks", "10"});
    expectNoDevice(unanswered);
    EXPECT_THAT(unanswered.err, HasSubstr("quenmire: このデバイスを使用しますか？ (Use this device?)"));
    EXPECT_THAT(unanswered.err, HasSubstr("answered No"));
    EXPECT_THAT(unanswered.err, HasSubstr("--answer"));

    EXPECT_EQ((std::vector<std::string>{"images", "vosk.cfg"}), FilesIn(folder.Path()));
}

TEST(ProgramTest, HostileConfigurationFilesNeverReachTheFormatting)
{
    struct Case {
        const char* what;
        std::string config;
        const char* snapshot;  // the file the snapshot goes to; null: none is written
    };
    const Case cases[] = {
        {"writes through %n", "shot%n%d.bmp\n", "snap0000.bmp"},
        {"reads strings that were never passed", "%s%s%s%s\n", "snap0000.bmp"},
        {"a token past 255 characters", std::string(300, 'a') + "%d\n", "snap0000.bmp"},
        {"a width that would take seconds to format", "%2147483647d\n", "snap0000.bmp"},
        {"an escape sequence for the terminal", "\x1b]0;owned\x07%d\x1b[2J\n", "snap0000.bmp"},
        {"a folder that is not there", "nowhere%d/x.bmp\n", nullptr},
        {"nothing", "", "snap0000.bmp"},
        {"bytes of every value", std::string("\x01\xff\x80%\x7f\x00%d", 8), "snap0000.bmp"},
        {"folders written with backslashes", "shots\\pic%d.bmp", "shots/pic0.bmp"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        RunFolder folder;
        folder.WriteConfig(test.config);
        std::filesystem::create_directory(folder / "shots");
        const RunResult result = folder.Run(Unattended("yes", {"2:snapshot"}, 4));
        EXPECT_EQ(std::string::npos, result.err.find('\x1b')) << result;
        if (test.snapshot != nullptr) {
            EXPECT_TRUE(result.Clean()) << result;
            EXPECT_EQ(kSnapshotDescription, Describe(folder / test.snapshot)) << result;
        } else {
            EXPECT_EQ(1, result.exitCode) << result;
            EXPECT_THAT(result.err,
                        HasSubstr("quenmire: snapshot 0 not written: nowhere0/x.bmp: No such file or directory"));
            EXPECT_THAT(result.out, HasSubstr("0 of 1 snapshots written; the first that failed: nowhere0/x.bmp"));
        }
    }

    {
        SCOPED_TRACE("configuration file a folder");
        RunFolder folder;
        std::filesystem::remove(folder / "vosk.cfg");
        std::filesystem::create_directory(folder / "vosk.cfg");
        const RunResult result = folder.Run(Unattended("yes", {"2:snapshot"}, 4));
        EXPECT_TRUE(result.Clean()) << result;
        EXPECT_EQ(kSnapshotDescription, Describe(folder / "snap0000.bmp")) << result;
    }
}

// Writes a BMP file header and info header with the given fields, then `pixels` bytes.
std::vector<uint8_t> BmpBytes(int32_t width, int32_t height, uint16_t bits, size_t pixels)
{
    std::vector<uint8_t> bytes(54 + pixels, 0x5a);
    auto put = [&bytes](size_t at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, static_cast<uint32_t>(bytes.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(width), 4);
    put(22, static_cast<uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, bits, 2);
    put(30, 0, 4);
    return bytes;
}

TEST(ProgramTest, MissingOrCorruptLogoFramesDoNotStopTheProgram)
{
    {
        SCOPED_TRACE("no images folder: the face stays visible");
        RunFolder folder;
        std::filesystem::remove_all(folder / "images");
        test_support::TempDir home;
        const RunResult result =
            folder.Run(Unattended("yes", {"0:intercept", "20:snapshot"}, 25), 60s, InPrivateHome(home.path()));
        ASSERT_TRUE(result.Clean()) << result;
        EXPECT_THAT(result.err, HasSubstr("quenmire:   logo frames: none found in " + folder / "images" + ", "));
        EXPECT_THAT(result.err, HasSubstr("quenmire: 60 of 60 logo frames could not be read from " + folder / "images" +
                                          " (first: images/laugh0000.bmp: No such file or directory)\n"));
        const std::vector<Picture> snapshot = ReadPictures({folder / "snap0000.bmp"}, kDisplayWidth, kDisplayHeight);
        ASSERT_EQ(1u, snapshot.size());
        ExpectFaceShown(snapshot[0]);
    }
    {
        SCOPED_TRACE("corrupt frames, shown in turn");
        RunFolder folder;
        const auto frame = [&folder](int i) {
            char name[32];
            std::snprintf(name, sizeof name, "images/laugh%04d.bmp", i);
            return folder / name;
        };
        const std::vector<uint8_t> good = test_support::ReadFileBytes(frame(0));
        test_support::WriteFileBytes(frame(0), std::vector<uint8_t>(good.begin(), good.begin() + 20));
        test_support::WriteFileBytes(frame(1), std::vector<uint8_t>(good.begin(), good.begin() + 5000));
        test_support::WriteFileBytes(frame(2), BmpBytes(100, INT32_MIN, 24, 64));
        test_support::WriteFileBytes(frame(3), BmpBytes(-100, -100, 24, 64));
        test_support::WriteFileBytes(frame(4), BmpBytes(70000, 70000, 24, 64));
        test_support::WriteFileBytes(frame(5), BmpBytes(46341, 46341, 24, 64));
        test_support::WriteFileBytes(frame(6), BmpBytes(100, 100, 8, 10000));
        test_support::WriteFileBytes(frame(7), BmpBytes(100, 100, 32, 100));
        test_support::WriteFileBytes(frame(8), {});
        std::vector<uint8_t> noise(30054);
        for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 7919 >> 3);
        test_support::WriteFileBytes(frame(9), noise);
        std::filesystem::remove(frame(10));
        std::filesystem::remove(frame(11));
        std::filesystem::create_directory(frame(11));
        const RunResult result = folder.Run(Unattended("yes", {"0:intercept", "10:snapshot", "40:snapshot"}, 45));
        ASSERT_TRUE(result.Clean()) << result;
        EXPECT_THAT(result.err, HasSubstr("12 of 60 logo frames could not be read from " + folder / "images" +
                                          " (first: images/laugh0000.bmp: the file ends early)"));
        EXPECT_THAT(result.out, HasSubstr("2 of 2 snapshots written"));
    }
}

TEST(ProgramTest, BadOptionsAreRefusedWithAMessage)
{
    RunFolder folder;
    const std::vector<std::vector<std::string>> refused = {
        {"--ticks", "0"},
        {"--ticks", "ten"},
        {"--ticks", "99999999999"},
        {"--press", "5"},
        {"--press", "5:jump"},
        {"--press", "-1:start"},
        {"--answer", "maybe"},
        {"--frobnicate"},
        {"--source"},
        {"--headless=yes"},
        {"--", ""},
        {"--demo", "--ticks", "5"},
    };
    for (const auto& args : refused) {
        SCOPED_TRACE(args.front());
        const RunResult result = folder.Run(args);
        EXPECT_TRUE(result.ended);
        EXPECT_EQ(2, result.exitCode);
        EXPECT_EQ("", result.out);
        EXPECT_THAT(result.err, HasSubstr("quenmire: "));
        EXPECT_THAT(result.err, HasSubstr("--help"));
    }

    const RunResult help = folder.Run({"--help"});
    EXPECT_TRUE(help.Clean());
    for (const char* option :
         {"--answer", "--press", "--ticks", "--headless", "--source", "--no-test-camera", "--list-devices", "--demo"}) {
        EXPECT_THAT(help.out, HasSubstr(option));
    }
    const RunResult version = folder.Run({"--version"});
    EXPECT_TRUE(version.Clean());
    EXPECT_THAT(version.out, HasSubstr("Version 1.0"));
    EXPECT_EQ((std::vector<std::string>{"images", "vosk.cfg"}), FilesIn(folder.Path()));
}

TEST(ProgramTest, ListDevicesPrintsTheNamesInTheOrderOffered)
{
    RunFolder folder;
    const RunResult all = folder.Run({"--list-devices", "--source", "videotestsrc", "--source", "bars.avi"});
    ASSERT_TRUE(all.Clean()) << all;
    // Cameras of the machine, if it has any, come first.
    EXPECT_THAT(all.out, testing::EndsWith("Quenmire test camera\nvideotestsrc\nbars.avi\n"));

    const RunResult sources = folder.Run({"--list-devices", "--no-test-camera", "--source", "videotestsrc"});
    ASSERT_TRUE(sources.Clean()) << sources;
    EXPECT_THAT(sources.out, testing::EndsWith("videotestsrc\n"));
    EXPECT_THAT(sources.out, Not(HasSubstr("Quenmire test camera")));
}

TEST(ProgramTest, TheVersionDialogClosesByItselfWhenNobodyIsThere)
{
    RunFolder folder;
    const RunResult result = folder.Run(Unattended("yes", {"5:version", "80:snapshot"}, 90));
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_THAT(result.out, HasSubstr("dialog \"voskのﾊﾞｰｼﾞｮﾝ情報\" shown; it closes by itself"));
    // The main dialog's ticks go on while it is open.
    EXPECT_THAT(result.out, HasSubstr("snapshot 0 written"));
    EXPECT_EQ(90, Reported(result.out, "ticks"));
}

}  // namespace
}  // namespace e2e
