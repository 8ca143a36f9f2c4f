// BMP files cross over with ImageMagick, an independent reader and writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "tests/support/test_files.h"

namespace {

using test_support::ReadFileBytes;
using test_support::TempDir;
using test_support::WriteFileBytes;

std::string RunCommand(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

// A picture of many colours (so that it is stored and analysed as true colour), with
// different values in every channel, row and column.
uint8_t Channel(int x, int y, int c)
{
    const int value[] = {x * 3 + y * 11, x * 7 + y * 5 + 40, (x ^ y) * 13 + 100};
    return static_cast<uint8_t>(value[c]);
}

TEST(BmpPeerTest, ImageMagickReadsOurFiles)
{
    TempDir dir;
    for (const auto& [w, h] : {std::pair{320, 240}, {321, 7}}) {
        DibImage image;
        ASSERT_EQ(0, image.SetSize(w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) image.Row(y)[3 * x + c] = Channel(x, y, c);
        ASSERT_EQ(0, image.WriteBmp((dir / "ours.bmp").c_str()));

        const std::string identify =
            RunCommand(QM_IDENTIFY " -format '%w %h %z %[type]' " + (dir / "ours.bmp") + " 2>&1");
        EXPECT_EQ(std::to_string(w) + " " + std::to_string(h) + " 8 TrueColor", identify);

        // Raw RGB, top row first, as ImageMagick sees the pixels.
        RunCommand(QM_CONVERT " " + (dir / "ours.bmp") + " -depth 8 rgb:" + (dir / "ours.rgb"));
        const std::vector<uint8_t> rgb = ReadFileBytes(dir / "ours.rgb");
        ASSERT_EQ(static_cast<size_t>(w * h * 3), rgb.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) ASSERT_EQ(Channel(x, y, 2 - c), rgb[(y * w + x) * 3 + c]) << x << "," << y;
    }
}

TEST(BmpPeerTest, WeReadImageMagickFiles)
{
    TempDir dir;
    for (const auto& [w, h] : {std::pair{320, 240}, {13, 5}}) {
        std::vector<uint8_t> rgb(static_cast<size_t>(w * h * 3));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) rgb[(y * w + x) * 3 + c] = Channel(x, y, 2 - c);
        WriteFileBytes(dir / "in.rgb", rgb);
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        RunCommand(QM_CONVERT " -size " + size + " -depth 8 rgb:" + (dir / "in.rgb") +
                   " -type TrueColor BMP3:" + (dir / "theirs.bmp"));

        DibImage image;
        ASSERT_EQ(0, image.ReadBmp((dir / "theirs.bmp").c_str()));
        ASSERT_EQ(w, image.Width());
        ASSERT_EQ(h, image.Height());
        EXPECT_EQ(24, image.Info()->bmiHeader.biBitCount);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) ASSERT_EQ(Channel(x, y, c), image.Row(y)[3 * x + c]) << x << "," << y;
    }
}

}  // namespace
