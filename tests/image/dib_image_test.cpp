#include "image/dib_image.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

void Fill(DibImage& image, uint8_t seed)
{
    for (int32_t i = 0; i < image.ImageSize(); ++i) {
        image.Bits()[i] = static_cast<uint8_t>(seed + i * 7);
    }
}

TEST(DibImageTest, EmptyImageHasZeroHeaderAndNoStorage)
{
    DibImage image;
    const BITMAPINFO zero{};
    EXPECT_EQ(0, std::memcmp(image.Info(), &zero, sizeof zero));
    EXPECT_EQ(nullptr, image.Bits());
    EXPECT_FALSE(image.HasRows());
    EXPECT_EQ(static_cast<const void*>(&image), static_cast<const void*>(image.Info()));
}

TEST(DibImageTest, HeaderBuildersFillEveryField)
{
    BITMAPINFO info;
    std::memset(&info, 0xAB, sizeof info);
    MakeInfo24(320, 240, &info);
    const BITMAPINFOHEADER& h = info.bmiHeader;
    EXPECT_EQ(40u, h.biSize);
    EXPECT_EQ(320, h.biWidth);
    EXPECT_EQ(240, h.biHeight);
    EXPECT_EQ(1, h.biPlanes);
    EXPECT_EQ(24, h.biBitCount);
    EXPECT_EQ(0u, h.biCompression);
    EXPECT_EQ(230400u, h.biSizeImage);
    EXPECT_EQ(0, h.biXPelsPerMeter);
    EXPECT_EQ(0, h.biYPelsPerMeter);
    EXPECT_EQ(0u, h.biClrUsed);
    EXPECT_EQ(0u, h.biClrImportant);
    const RGBQUAD zero{};
    EXPECT_EQ(0, std::memcmp(&info.bmiColors[0], &zero, sizeof zero));

    // MakeInfoHeader leaves the colour slot alone.
    std::memset(&info, 0xAB, sizeof info);
    MakeInfoHeader(2, 2, 8, &info.bmiHeader);
    EXPECT_EQ(8, info.bmiHeader.biBitCount);
    EXPECT_EQ(0xAB, info.bmiColors[0].rgbRed);
}

TEST(DibImageTest, StrideRoundsRowsUpToFourBytes)
{
    EXPECT_EQ(960, DibStride(320));
    EXPECT_EQ(964, DibStride(321));
    EXPECT_EQ(968, DibStride(322));
    EXPECT_EQ(972, DibStride(323));
    EXPECT_EQ(4, DibStride(1));
    EXPECT_EQ(16, DibStride(5));
    EXPECT_EQ(-16, DibStride(-5));  // -15 plus the signed remainder -1
}

TEST(DibImageTest, SetSizeGivesBottomUpRows)
{
    DibImage image;
    ASSERT_EQ(0, image.SetSize(320, 240));
    EXPECT_EQ(320, image.Width());
    EXPECT_EQ(240, image.Height());
    EXPECT_EQ(230400, image.ImageSize());
    EXPECT_EQ(image.Bits() + 229440, image.Row(0));
    EXPECT_EQ(image.Bits(), image.Row(239));

    DibImage one;
    ASSERT_EQ(0, one.SetSize(1, 1));
    EXPECT_EQ(4, one.ImageSize());
    DibImage five;
    ASSERT_EQ(0, five.SetSize(5, 2));
    EXPECT_EQ(32, five.ImageSize());
    EXPECT_EQ(five.Bits() + 16, five.Row(0));
}

TEST(DibImageTest, SameSizeKeepsStorageAndPixels)
{
    DibImage image;
    ASSERT_EQ(0, image.SetSize(7, 3));
    Fill(image, 1);
    uint8_t* bits = image.Bits();
    std::vector<uint8_t> before(bits, bits + image.ImageSize());
    ASSERT_EQ(0, image.SetSize(7, 3));
    EXPECT_EQ(bits, image.Bits());
    EXPECT_EQ(0, std::memcmp(before.data(), image.Bits(), before.size()));

    // Only header bytes change when the sizes stay: a resolution field, the colour slot.
    BITMAPINFO info = *image.Info();
    info.bmiHeader.biXPelsPerMeter = 2835;
    info.bmiColors[0].rgbRed = 9;
    ASSERT_EQ(0, image.SetFormat(info));
    EXPECT_EQ(bits, image.Bits());
    EXPECT_EQ(2835, image.Info()->bmiHeader.biXPelsPerMeter);
    EXPECT_EQ(0, std::memcmp(before.data(), image.Bits(), before.size()));
}

TEST(DibImageTest, ZeroSizeDependsOnState)
{
    DibImage empty;
    EXPECT_EQ(-1, empty.SetSize(0, 0));
    EXPECT_EQ(nullptr, empty.Bits());

    DibImage formatted;
    ASSERT_EQ(0, formatted.SetSize(4, 4));
    EXPECT_EQ(0, formatted.SetSize(0, 0));
    EXPECT_NE(nullptr, formatted.Bits());
    EXPECT_TRUE(formatted.HasRows());
    EXPECT_EQ(0, formatted.ImageSize());
}

TEST(DibImageTest, ChangedSizeWithSameDimensionsGetsNewBufferAndRows)
{
    DibImage image;
    ASSERT_EQ(0, image.SetSize(8, 4));
    BITMAPINFO info = *image.Info();
    info.bmiHeader.biSizeImage += 64;
    ASSERT_EQ(0, image.SetFormat(info));
    EXPECT_EQ(image.ImageSize(), 96 + 64);
    EXPECT_EQ(image.Bits() + 3 * 24, image.Row(0));
    EXPECT_EQ(image.Bits(), image.Row(3));
}

TEST(DibImageTest, NegativeAndHostileSizesGetNoStorage)
{
    DibImage a;
    EXPECT_EQ(-1, a.SetSize(-4, 10));
    EXPECT_EQ(-120, a.ImageSize());
    EXPECT_EQ(nullptr, a.Bits());
    EXPECT_FALSE(a.HasRows());
    DibImage b;
    EXPECT_EQ(-1, b.SetSize(4, -10));
    EXPECT_EQ(-120, b.ImageSize());

    // Products that do not fit a 32-bit size, and extreme values, are refused whole.
    const int32_t hostile[][2] = {{INT_MAX, 1},   {1, INT_MAX}, {INT_MIN, 1}, {1, INT_MIN},    {INT_MIN, INT_MIN},
                                  {50000, 50000}, {70000, 1},   {1, 70000},   {-70000, -70000}};
    for (const auto& size : hostile) {
        DibImage image;
        EXPECT_EQ(-1, image.SetSize(size[0], size[1])) << size[0] << "x" << size[1];
        EXPECT_EQ(nullptr, image.Bits());
        EXPECT_FALSE(image.HasRows());
        EXPECT_EQ(size[0], image.Width());  // the header is adopted all the same
    }
}

TEST(DibImageTest, TopDownHeaderGetsBufferButNoRows)
{
    BITMAPINFO info;
    MakeInfo24(4, 3, &info);
    info.bmiHeader.biHeight = -3;
    DibImage image;
    EXPECT_EQ(0, image.SetFormat(info));
    EXPECT_NE(nullptr, image.Bits());
    EXPECT_FALSE(image.HasRows());
}

TEST(DibImageTest, ShortDeviceHeaderGetsNoRowsPastTheBuffer)
{
    BITMAPINFO info;
    MakeInfo24(640, 480, &info);
    info.bmiHeader.biSizeImage = 640 * 3 * 100;  // claims fewer bytes than 480 rows need
    DibImage image(&info);
    EXPECT_NE(nullptr, image.Bits());
    EXPECT_FALSE(image.HasRows());

    info.bmiHeader.biWidth = 0;  // rows of no bytes have nowhere to start
    info.bmiHeader.biSizeImage = 0;
    DibImage zeroWidth(&info);
    EXPECT_NE(nullptr, zeroWidth.Bits());
    EXPECT_FALSE(zeroWidth.HasRows());

    // A header whose stride is negative gets no rows either.
    MakeInfo24(-5, 2, &info);
    info.bmiHeader.biSizeImage = 64;
    DibImage negative(&info);
    EXPECT_FALSE(negative.HasRows());
}

TEST(DibImageTest, CopiesAreDeep)
{
    DibImage original;
    ASSERT_EQ(0, original.SetSize(5, 2));
    Fill(original, 3);

    DibImage copy(original);
    EXPECT_NE(original.Bits(), copy.Bits());
    EXPECT_EQ(0, std::memcmp(original.Info(), copy.Info(), sizeof(BITMAPINFO)));
    EXPECT_EQ(0, std::memcmp(original.Bits(), copy.Bits(), 32));
    EXPECT_EQ(copy.Bits() + 16, copy.Row(0));

    DibImage assigned;
    ASSERT_EQ(0, assigned.SetSize(5, 2));
    uint8_t* bits = assigned.Bits();
    assigned = original;
    EXPECT_EQ(bits, assigned.Bits());  // same sizes: nothing reallocated
    EXPECT_EQ(0, std::memcmp(original.Bits(), assigned.Bits(), 32));

    DibImage fromHeader(original.Info());
    EXPECT_EQ(32, fromHeader.ImageSize());
    EXPECT_TRUE(fromHeader.HasRows());
}

TEST(DibImageTest, SelfAndEmptyAssignment)
{
    DibImage image;
    ASSERT_EQ(0, image.SetSize(3, 3));
    Fill(image, 5);
    uint8_t* bits = image.Bits();
    const uint8_t first = bits[0];
    DibImage& self = image;
    image = self;
    EXPECT_EQ(bits, image.Bits());
    EXPECT_EQ(first, image.Bits()[0]);

    image = DibImage();
    const BITMAPINFO zero{};
    EXPECT_EQ(0, std::memcmp(image.Info(), &zero, sizeof zero));
    EXPECT_EQ(0, image.ImageSize());
    EXPECT_NE(nullptr, image.Bits());
}

TEST(DibImageTest, ClearThenReformat)
{
    DibImage image;
    ASSERT_EQ(0, image.SetSize(6, 6));
    image.Clear();
    const BITMAPINFO zero{};
    EXPECT_EQ(0, std::memcmp(image.Info(), &zero, sizeof zero));
    EXPECT_EQ(nullptr, image.Bits());
    EXPECT_FALSE(image.HasRows());
    image.Clear();  // twice, then destruction: nothing is released twice
    EXPECT_EQ(0, image.SetSize(6, 6));
    EXPECT_TRUE(image.HasRows());
}

TEST(DibImageTest, FailedAllocationWithSameSizeIsNotRetried)
{
    DibImage image;
    EXPECT_EQ(-1, image.SetSize(-4, 10));
    BITMAPINFO info = *image.Info();
    info.bmiHeader.biWidth = 4;  // same (negative) size, other dimensions
    EXPECT_EQ(-1, image.SetFormat(info));
    EXPECT_EQ(nullptr, image.Bits());
}

}  // namespace
