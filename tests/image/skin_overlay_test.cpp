#include "image/skin_overlay.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "tests/image/reference_ops.h"

namespace {

using image_test::Filled;
using image_test::PixelOf;
using image_test::SameImage;
using image_test::SetPixel;

constexpr BgrPixel kWhite{255, 255, 255}, kBlack{0, 0, 0}, kBlue{255, 0, 0};
constexpr YCbCrPixel kSkinLower{0, 77, 133}, kSkinUpper{255, 127, 177};

bool Equal(BgrPixel a, BgrPixel b)
{
    return a.b == b.b && a.g == b.g && a.r == b.r;
}

TEST(SameColourTest, ComparesAllThreeBytes)
{
    const uint8_t white[3] = {255, 255, 255}, almost[3] = {255, 255, 254}, other[3] = {255, 255, 255};
    EXPECT_EQ(0, SameColour(white, almost));
    EXPECT_EQ(1, SameColour(white, other));
}

TEST(SizeDiffersTest, ComparesWidthAndHeightOnly)
{
    DibImage a = Filled(320, 240, 1), b = Filled(320, 240, 2);
    b.Info()->bmiHeader.biXPelsPerMeter = 99;
    EXPECT_EQ(1, SizeDiffers(a, DibImage()));
    EXPECT_EQ(0, SizeDiffers(a, b));
    EXPECT_EQ(1, SizeDiffers(a, Filled(320, 241, 0)));
    EXPECT_EQ(1, SizeDiffers(a, Filled(321, 240, 0)));
}

TEST(BgrToYCbCrTest, GivesTheTableValues)
{
    struct Row {
        BgrPixel in;
        YCbCrPixel out;
    };
    const Row rows[] = {
        {{0, 0, 0}, {0, 128, 128}},        {{255, 255, 255}, {254, 128, 128}}, {{128, 128, 128}, {128, 128, 128}},
        {{255, 0, 0}, {29, 255, 107}},     {{0, 255, 0}, {149, 43, 21}},       {{0, 0, 255}, {76, 84, 255}},
        {{100, 150, 200}, {159, 94, 157}},
    };
    for (const Row& row : rows) {
        YCbCrPixel out{1, 2, 3};
        BgrToYCbCr(&row.in, &out);
        EXPECT_EQ(row.out.y, out.y) << int{row.in.b} << "," << int{row.in.g} << "," << int{row.in.r};
        EXPECT_EQ(row.out.cb, out.cb) << int{row.in.b} << "," << int{row.in.g} << "," << int{row.in.r};
        EXPECT_EQ(row.out.cr, out.cr) << int{row.in.b} << "," << int{row.in.g} << "," << int{row.in.r};
    }
}

TEST(YCbCrRangeMaskTest, EmptyMaskTakesTheSourceSizeAndEveryPixelIsWritten)
{
    DibImage source = Filled(5, 3, 0);
    SetPixel(source, 1, 2, BgrPixel{130, 160, 220});  // skin
    DibImage mask;
    const BgrPixel in{1, 2, 3}, out{4, 5, 6};
    YCbCrRangeMask(source, mask, kSkinLower, kSkinUpper, in, out);
    ASSERT_EQ(5, mask.Width());
    ASSERT_EQ(3, mask.Height());
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x) {
            EXPECT_TRUE(Equal(x == 1 && y == 2 ? in : out, PixelOf(mask, x, y))) << x << "," << y;
        }
    }
}

TEST(YCbCrRangeMaskTest, BoundsThemselvesAreOutside)
{
    const BgrPixel colour{100, 150, 200};  // Y 159, Cb 94, Cr 157
    DibImage source = Filled(1, 1, 0);
    SetPixel(source, 0, 0, colour);
    const auto maskOf = [&](YCbCrPixel lower, YCbCrPixel upper) {
        DibImage mask;
        YCbCrRangeMask(source, mask, lower, upper, kWhite, kBlack);
        return PixelOf(mask, 0, 0);
    };
    EXPECT_TRUE(Equal(kWhite, maskOf({0, 93, 0}, {255, 255, 255})));
    EXPECT_TRUE(Equal(kBlack, maskOf({0, 94, 0}, {255, 255, 255})));  // Cb on the lower bound
    EXPECT_TRUE(Equal(kBlack, maskOf({0, 0, 0}, {159, 255, 255})));   // Y on the upper bound
    EXPECT_TRUE(Equal(kBlack, maskOf({0, 0, 157}, {255, 255, 255})));

    source = Filled(1, 1, 255);  // white: Y 254
    EXPECT_TRUE(Equal(kBlack, maskOf({0, 0, 0}, {254, 255, 255})));
    EXPECT_TRUE(Equal(kWhite, maskOf({0, 0, 0}, {255, 255, 255})));
    source = Filled(1, 1, 0);  // black: Y 0, never above a lower bound of 0
    EXPECT_TRUE(Equal(kBlack, maskOf({0, 0, 0}, {255, 255, 255})));
}

TEST(YCbCrRangeMaskTest, KeepsAMaskOfTheSameSizeAndReformatsAnother)
{
    const DibImage source = Filled(8, 4, 200);
    DibImage mask = Filled(8, 4, 7);
    const uint8_t* storage = mask.Bits();
    YCbCrRangeMask(source, mask, kSkinLower, kSkinUpper, kWhite, kBlack);
    EXPECT_EQ(storage, mask.Bits());
    DibImage expected;
    reference::Mask(source, expected, kSkinLower, kSkinUpper, kWhite, kBlack);
    EXPECT_TRUE(SameImage(expected, mask));

    DibImage other = Filled(3, 9, 7);
    YCbCrRangeMask(source, other, kSkinLower, kSkinUpper, kWhite, kBlack);
    EXPECT_TRUE(SameImage(expected, other));
}

TEST(YCbCrRangeMaskTest, EmptySourceLeavesTheMaskAlone)
{
    DibImage mask = Filled(4, 4, 9);
    YCbCrRangeMask(DibImage(), mask, kSkinLower, kSkinUpper, kWhite, kBlack);
    EXPECT_TRUE(SameImage(Filled(4, 4, 9), mask));
}

// A mask of the right size whose buffer cannot hold its rows is never written through;
// it gets proper storage instead.
TEST(YCbCrRangeMaskTest, MaskWithTooSmallABufferGetsStorage)
{
    const DibImage source = Filled(8, 6, 90);
    BITMAPINFO info;
    MakeInfo24(8, 6, &info);
    info.bmiHeader.biSizeImage = 10;
    DibImage mask(&info);
    ASSERT_FALSE(mask.HasRows());
    YCbCrRangeMask(source, mask, kSkinLower, kSkinUpper, kWhite, kBlack);
    DibImage expected;
    reference::Mask(source, expected, kSkinLower, kSkinUpper, kWhite, kBlack);
    EXPECT_TRUE(SameImage(expected, mask));
}

TEST(ColourCentroidTest, AveragesTheMatchingPositions)
{
    double x = 9.0, y = 9.0;
    DibImage image = Filled(10, 10, 0);
    ColourCentroid(image, kWhite, x, y);
    EXPECT_EQ(-1.0, x);
    EXPECT_EQ(-1.0, y);

    SetPixel(image, 5, 7, kWhite);
    ColourCentroid(image, kWhite, x, y);
    EXPECT_EQ(5.0, x);
    EXPECT_EQ(7.0, y);

    image = Filled(10, 10, 0);
    SetPixel(image, 0, 0, kWhite);
    SetPixel(image, 3, 1, kWhite);
    SetPixel(image, 4, 4, BgrPixel{255, 255, 254});
    ColourCentroid(image, kWhite, x, y);
    EXPECT_EQ(1.5, x);
    EXPECT_EQ(0.5, y);
}

TEST(ColourCentroidTest, EmptyImageLeavesTheOutputs)
{
    double x = 12.5, y = -3.0;
    ColourCentroid(DibImage(), kWhite, x, y);
    EXPECT_EQ(12.5, x);
    EXPECT_EQ(-3.0, y);
}

TEST(KeyedBlitTest, ClipsOnEverySideAndSkipsTheKey)
{
    DibImage logo = Filled(20, 4, 0);
    for (int32_t x = 0; x < 20; ++x) {
        for (int32_t y = 0; y < 4; ++y) {
            SetPixel(logo, x, y, BgrPixel{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 1});
        }
    }
    SetPixel(logo, 12, 0, kBlue);
    SetPixel(logo, 13, 0, BgrPixel{254, 0, 0});

    DibImage screen = Filled(8, 6, 200);
    KeyedBlit(screen, logo, -10, 0, kBlue);
    EXPECT_TRUE(Equal(BgrPixel{10, 0, 1}, PixelOf(screen, 0, 0)));       // column 10 lands on column 0
    EXPECT_TRUE(Equal(BgrPixel{200, 200, 200}, PixelOf(screen, 2, 0)));  // the key leaves it
    EXPECT_TRUE(Equal(BgrPixel{254, 0, 0}, PixelOf(screen, 3, 0)));      // not the key
    EXPECT_TRUE(Equal(BgrPixel{17, 3, 1}, PixelOf(screen, 7, 3)));
    EXPECT_TRUE(Equal(BgrPixel{200, 200, 200}, PixelOf(screen, 0, 4)));

    const int positions[][2] = {{8, 0},       {-20, 0},           {0, 6},
                                {0, -4},      {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN},
                                {INT_MAX, 0}, {INT_MIN, 0},       {0, INT_MIN}};
    for (const auto& at : positions) {
        DibImage untouched = Filled(8, 6, 200);
        KeyedBlit(untouched, logo, at[0], at[1], kBlue);
        EXPECT_TRUE(SameImage(Filled(8, 6, 200), untouched)) << at[0] << "," << at[1];
    }
}

TEST(KeyedBlitTest, EmptyImagesAreLeftAlone)
{
    DibImage screen = Filled(4, 4, 3);
    KeyedBlit(screen, DibImage(), 0, 0, kBlue);
    EXPECT_TRUE(SameImage(Filled(4, 4, 3), screen));
    DibImage empty;
    KeyedBlit(empty, Filled(4, 4, 3), 0, 0, kBlue);
    EXPECT_EQ(nullptr, empty.Bits());
}

TEST(ScaledKeyedBlitTest, RunsOfAShortWorkingSpaceDrawWhatOneRunDraws)
{
    std::mt19937 random(7);
    const DibImage logo = image_test::RandomImage(13, 9, random, 3);  // a few colours, one of them the key
    std::vector<int32_t> wide(50), narrow(3);
    for (const ImageRect rect : {ImageRect{-7, -3, 61, 25}, ImageRect{45, 15, 9, 4},
                                 ImageRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, ImageRect{INT_MAX, 0, INT_MAX, 5}}) {
        DibImage whole = Filled(50, 20, 200), runs = whole;
        ScaledKeyedBlit(whole, logo, rect, PixelOf(logo, 0, 0), wide);
        ScaledKeyedBlit(runs, logo, rect, PixelOf(logo, 0, 0), narrow);
        EXPECT_TRUE(SameImage(whole, runs)) << rect.x << "," << rect.y;
    }
}

}  // namespace
