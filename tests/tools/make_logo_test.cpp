// The logo animation tool draws 60 distinct 100 x 100 frames of a face on pure blue.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "image/dib_image.h"
#include "tests/support/test_files.h"

namespace {

bool IsKey(const uint8_t* p)
{
    return p[0] == 255 && p[1] == 0 && p[2] == 0;
}

TEST(MakeLogoTest, DrawsSixtyFramesOfAFaceOnTheKeyColour)
{
    test_support::TempDir dir;
    ASSERT_EQ(0, std::system((std::string(QM_MAKE_LOGO) + " " + dir.path().string()).c_str()));

    DibImage previous;
    for (int frame = 0; frame < 60; ++frame) {
        DibImage logo;
        ASSERT_EQ(0, logo.ReadBmpF("%s/laugh%04d.bmp", dir.path().c_str(), frame)) << frame;
        ASSERT_EQ(100, logo.Width());
        ASSERT_EQ(100, logo.Height());
        EXPECT_EQ(24, logo.Info()->bmiHeader.biBitCount);
        // Transparent corners, an opaque middle, and the key only around the face.
        EXPECT_TRUE(IsKey(logo.Row(0)));
        EXPECT_TRUE(IsKey(logo.Row(99) + 3 * 99));
        EXPECT_FALSE(IsKey(logo.Row(50) + 3 * 50));
        int opaque = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) opaque += !IsKey(logo.Row(y) + 3 * x);
        EXPECT_GT(opaque, 5500) << frame;  // a disc of radius 45 covers about 6360 pixels
        EXPECT_LT(opaque, 7000) << frame;
        if (frame > 0) {
            EXPECT_NE(0, std::memcmp(previous.Bits(), logo.Bits(), logo.ImageSize())) << frame;
        }
        previous = logo;
    }
}

TEST(MakeLogoTest, ReportsAFolderItCannotWrite)
{
    EXPECT_NE(0, std::system((std::string(QM_MAKE_LOGO) + " /nonexistent/folder 2>/dev/null").c_str()));
}

}  // namespace
