// Sources named with --source: what cannot give pictures is refused before anything runs,
// with the reason; what can plays at its own pace and in a loop, in bounded memory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

#include "tests/e2e/run_folder.h"

namespace e2e {
namespace {

using testing::HasSubstr;

// Runs gst-launch-1.0 on the description, for a test file; true when it succeeded.
bool WriteWithGStreamer(const std::string& description)
{
    return std::system(("gst-launch-1.0 -q " + description + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::string> PlayFor(const std::string& source, int ticks)
{
    return {"--headless", "--no-test-camera", "--source", source, "--answer", "yes", "--ticks", std::to_string(ticks)};
}

// The largest resident size, in kB, of any program this test has run to its end.
long LargestChildKb()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

TEST(SourceTest, WhatCannotGivePicturesIsRefusedAtOnceWithTheReason)
{
    RunFolder folder;
    ASSERT_EQ(0, mkfifo((folder / "fifo.avi").c_str(), 0600));
    std::filesystem::create_directory(folder / "folder.avi");
    std::ofstream(folder / "notes.avi") << "not a video\n";
    ASSERT_TRUE(WriteWithGStreamer("audiotestsrc num-buffers=20 ! wavenc ! filesink location=" + folder / "tone.wav"));
    struct Case {
        std::string source;
        const char* reason;
    };
    const Case cases[] = {
        {folder / "missing.avi", "no such file"},
        {"missing.avi", "no such file"},
        {folder / "fifo.avi", "a FIFO, not a video file"},
        {folder / "folder.avi", "a folder, not a video file"},
        {"/dev/null", "a device, not a video file"},
        {folder / "notes.avi", "Could not determine type of stream"},
        {folder / "tone.wav", "has no video stream"},
        {"audiotestsrc", "has no video stream"},
        {"videotestsrc ! fakesink", "could not link"},
        // One such picture would take 2 GB: it is refused before it is made.
        {"videotestsrc ! video/x-raw,width=16384,height=16384",
         "pictures of 16384x16384 are beyond 8192 pixels a side"},
        {"videotestsrc ! video/x-raw,width=8193,height=2", "pictures of 8193x2 are beyond 8192 pixels a side"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.source);
        const RunResult result = folder.Run(PlayFor(test.source, 30), 10s);
        ASSERT_TRUE(result.ended) << result;
        EXPECT_EQ(2, result.exitCode) << result;
        EXPECT_EQ("", result.out);  // nothing was asked or run
        EXPECT_THAT(result.err, HasSubstr("quenmire: --source " + test.source + ": "));
        EXPECT_THAT(result.err, HasSubstr(test.reason));
    }
    EXPECT_LT(LargestChildKb(), 512 * 1024);
}

TEST(SourceTest, ADescriptionMayEndInACapsFilterUpToTheSizeBound)
{
    RunFolder folder;
    for (const char* source :
         {"videotestsrc ! video/x-raw,width=640,height=480", "videotestsrc ! video/x-raw,width=8192,height=2"}) {
        SCOPED_TRACE(source);
        // 60 ticks (1.8 s) at 30 pictures a second: well over 15 even when a busy machine
        // is slow to start the stream.
        const RunResult result = folder.Run(PlayFor(source, 60));
        ASSERT_TRUE(result.Clean()) << result;
        EXPECT_EQ("quenmire: このデバイスを使用しますか？ (Use this device?) " + std::string(source) + ": yes\n",
                  result.err);
        EXPECT_GT(Reported(result.out, "frames received"), 15);
    }
}

// Over 100 ticks (3 s) a picture rate of 30 a second gives about 90 pictures; on a busy
// machine the ticks take longer, and the pictures go with the time they took.
TEST(SourceTest, PicturesWhoseTimestampsDoNotAdvancePlayAtTheNominalRate)
{
    RunFolder folder;
    // Matroska keeps milliseconds: timestamps 64 microseconds apart in all are stored as 0.
    // Its nominal rate stays 30 a second.
    const std::string zero = folder / "zero.mkv";
    ASSERT_TRUE(
        WriteWithGStreamer("videotestsrc num-buffers=30 ! video/x-raw,width=64,height=48,framerate=30/1 ! "
                           "identity datarate=2147483647 ! jpegenc ! matroskamux ! filesink location=" +
                           zero));
    // Bare Motion JPEG has no timestamps and no rate, and cannot seek back to its start.
    const std::string bare = folder / "bare.mjpeg";
    ASSERT_TRUE(
        WriteWithGStreamer("videotestsrc num-buffers=30 ! video/x-raw,width=64,height=48,framerate=30/1 ! "
                           "jpegenc ! filesink location=" +
                           bare));
    for (const std::string& source : {zero, bare}) {
        SCOPED_TRACE(source);
        const RunResult result = folder.Run(PlayFor(source, 100));
        ASSERT_TRUE(result.Clean()) << result;
        const double seconds = ReportedSeconds(result.out);
        ASSERT_GT(seconds, 0) << result;
        // In a loop, at 30 a second: 90 within 20 over 3 s.
        EXPECT_NEAR(30 * seconds, Reported(result.out, "frames received"), 20 * seconds / 3);
    }
}

// Freed memory that AddressSanitizer holds back to catch late use would look like growth:
// here it holds none back.
Launch WithoutQuarantine()
{
    const char* given = std::getenv("ASAN_OPTIONS");
    const std::string options = given != nullptr && *given != '\0' ? std::string(given) + ":" : std::string();
    return Launch{{}, {{"ASAN_OPTIONS", options + "quarantine_size_mb=0:thread_local_quarantine_size_kb=0"}}, {}};
}

TEST(SourceTest, AFilePlayedInALoopKeepsItsMemoryFlat)
{
    RunFolder folder;
    const std::string clip = folder / "blink.avi";
    ASSERT_TRUE(
        WriteWithGStreamer("videotestsrc num-buffers=2 ! video/x-raw,width=160,height=120,framerate=60/1 ! "
                           "jpegenc ! avimux ! filesink location=" +
                           clip));
    // A loop of two pictures takes a little over a tick: about 20 loops by tick 25, and
    // 200 or more by tick 340, as the count at the end shows.
    // Intercepter is on from the start, so that its images exist before the first sample.
    std::vector<std::string> args = PlayFor(clip, 350);
    for (const char* press : {"0:intercept", "25:intercept", "340:intercept"}) {
        args.push_back("--press");
        args.push_back(press);
    }
    const std::unique_ptr<ProgramRun> run = folder.Start(args, WithoutQuarantine());
    ASSERT_TRUE(run->WaitForOutput("tick 25: Intercepter\n", 30s)) << run->Wait(1s);
    const long after20 = run->ResidentKb();
    ASSERT_TRUE(run->WaitForOutput("tick 340: Intercepter\n", 30s)) << run->Wait(1s);
    const long after200 = run->ResidentKb();
    const RunResult result = run->Wait(30s);
    ASSERT_TRUE(result.Clean()) << result;
    ASSERT_GE(Reported(result.out, "frames received"), 2 * 200);
    std::printf("resident memory after 20 loops %ld kB, after 200 loops %ld kB\n", after20, after200);
    EXPECT_LT(after200 - after20, 256);
}

// ./run starts the program in build/bin; a relative path means what it means where the
// command was typed. Here ./run sits in a tree of its own whose build is the one tested.
TEST(SourceTest, RunFindsARelativeSourceFromWhereItWasTyped)
{
    test_support::TempDir root;
    const std::filesystem::path bin = root.path() / "build" / "bin";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(root.path() / "scripts");
    std::filesystem::copy_file(QM_RUN_SCRIPT, root / "run");
    for (const char* script : {"scripts/setup.sh", "scripts/build.sh"}) {
        std::ofstream(root / script) << "#!/bin/sh\nexit 0\n";
        std::filesystem::permissions(root / script, std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add);
    }
    std::filesystem::create_symlink(QM_PROGRAM, bin / "quenmire");
    std::filesystem::copy(std::filesystem::path(QM_RUN_DIR) / "images", bin / "images");
    std::filesystem::copy_file(std::filesystem::path(QM_RUN_DIR) / "vosk.cfg", bin / "vosk.cfg");

    const std::filesystem::path typedIn = root.path() / "home";
    std::filesystem::create_directories(typedIn / "clips");
    ASSERT_TRUE(
        WriteWithGStreamer("videotestsrc num-buffers=10 ! video/x-raw,width=64,height=48,framerate=30/1 ! "
                           "jpegenc ! avimux ! filesink location=\"" +
                           (typedIn / "clips" / "my clip.avi").string() + "\""));
    const std::string command = "cd \"" + typedIn.string() + "\" && ../run --headless --no-test-camera --answer yes " +
                                "--ticks 20 --source \"clips/my clip.avi\" >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    std::ifstream outFile(typedIn / "out.txt");
    const std::string out((std::istreambuf_iterator<char>(outFile)), std::istreambuf_iterator<char>());
    std::ifstream errFile(typedIn / "err.txt");
    const std::string err((std::istreambuf_iterator<char>(errFile)), std::istreambuf_iterator<char>());
    ASSERT_EQ(0, status) << out << err;
    EXPECT_THAT(out, HasSubstr("from \"my clip.avi\""));
    EXPECT_GT(Reported(out, "frames received"), 5);
}

}  // namespace
}  // namespace e2e
