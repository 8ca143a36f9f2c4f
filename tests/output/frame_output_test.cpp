// One output on its own: it never holds up the thread that hands frames over, drops the
// oldest frames when its sink falls behind, and refuses what cannot run.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "output/frame_output.h"
#include "tests/support/test_files.h"

namespace {

TEST(FrameOutputTest, ASlowSinkLosesTheOldestFramesAndNeverHoldsUpTheCaller)
{
    test_support::TempDir folder;
    const std::string raw = (folder.path() / "frames.bgr").string();
    std::string error;
    // 10 ms a frame: far slower than the frames come.
    std::unique_ptr<FrameOutput> output =
        FrameOutput::Open("slow", "identity sleep-time=10000 ! filesink location=\"" + raw + "\"", -1, &error);
    ASSERT_TRUE(output) << error;

    DibImage frame;
    ASSERT_EQ(0, frame.SetSize(8, 2));  // 24-byte rows, as GStreamer lays out BGR
    const auto start = std::chrono::steady_clock::now();
    constexpr int kFrames = 400;
    for (int i = 0; i < kFrames; ++i) {
        std::memset(frame.Bits(), i % 251, static_cast<size_t>(frame.ImageSize()));
        frame.Row(0)[0] = 255;  // the top row comes first
        output->Push(frame, static_cast<uint64_t>(i) * 30'000'000, 30'000'000);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    output->Finish(20 * GST_SECOND);
    EXPECT_FALSE(output->Running());
    EXPECT_FALSE(output->Failed());
    EXPECT_EQ(uint64_t{kFrames}, output->FramesPushed());
    EXPECT_LT(output->FramesPassed(), uint64_t{kFrames} / 2);

    const std::vector<uint8_t> bytes = test_support::ReadFileBytes(raw);
    ASSERT_EQ(output->FramesPassed() * 48, bytes.size());
    // The newest frames are kept, and the last one handed over is the last written.
    EXPECT_EQ(255, bytes[bytes.size() - 48]);
    EXPECT_EQ((kFrames - 1) % 251, bytes[bytes.size() - 47]);
    EXPECT_EQ((kFrames - 1) % 251, bytes[bytes.size() - 1]);
}

TEST(FrameOutputTest, WhatCannotRunIsRefusedWithGStreamersReason)
{
    std::string error;
    EXPECT_FALSE(FrameOutput::Open("bad", "nosuchelement", -1, &error));
    EXPECT_NE(std::string::npos, error.find("nosuchelement")) << error;
    EXPECT_FALSE(FrameOutput::Open("bad", "fakesink ! fakesink", -1, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(FrameOutput::Open("bad", "filesink location=/nonexistent/folder/x", -1, &error));
    EXPECT_NE(std::string::npos, error.find("/nonexistent/folder/x")) << error;
    EXPECT_FALSE(FrameOutput::Open("bad", "fakesink name=frames", -1, &error));
}

}  // namespace
