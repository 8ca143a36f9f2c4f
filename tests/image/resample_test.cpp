#include "image/resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/image/reference_ops.h"

namespace {

using image_test::Filled;
using image_test::PixelOf;
using image_test::SameImage;
using image_test::SetPixel;

constexpr uint8_t kSentinel = 0xA5;

bool Unwritten(const DibImage& image, int32_t x, int32_t y)
{
    const BgrPixel p = PixelOf(image, x, y);
    return p.b == kSentinel && p.g == kSentinel && p.r == kSentinel;
}

// A source whose every pixel differs from its neighbours and from the sentinel.
DibImage Gradient(int32_t width, int32_t height)
{
    DibImage image = Filled(width, height, 0);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            SetPixel(image, x, y,
                     BgrPixel{static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(x + y)});
        }
    }
    return image;
}

TEST(ClampToByteTest, ClampsAndTruncates)
{
    EXPECT_EQ(255, ClampToByte(300.0));
    EXPECT_EQ(255, ClampToByte(255.0));
    EXPECT_EQ(255, ClampToByte(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(254, ClampToByte(254.9999));
    EXPECT_EQ(0, ClampToByte(0.7));
    EXPECT_EQ(0, ClampToByte(0.0));
    EXPECT_EQ(0, ClampToByte(-0.5));
    EXPECT_EQ(0, ClampToByte(-std::numeric_limits<double>::infinity()));
    EXPECT_EQ(0, ClampToByte(std::nan("")));
}

TEST(BilinearPixelTest, WeighsTheFourNeighboursAndTruncates)
{
    const BgrPixel a{0, 0, 0}, b{100, 100, 100}, c{200, 200, 200}, d{255, 255, 255};
    BgrPixel out{};
    double fx = 0.25, fy = 0.75;
    BilinearPixel(&a, &b, &c, &d, fx, fy, &out);  // 166.5625
    EXPECT_EQ(166, out.b);
    EXPECT_EQ(166, out.g);
    EXPECT_EQ(166, out.r);

    const BgrPixel e{255, 0, 255}, f{0, 255, 0};
    fx = 0.5;
    fy = 0.0;
    BilinearPixel(&f, &e, &d, &d, fx, fy, &out);
    EXPECT_EQ(127, out.b);  // 0 and 255 halfway
    EXPECT_EQ(127, out.g);
    EXPECT_EQ(127, out.r);

    fx = 0.0;
    BilinearPixel(&e, &a, &a, &a, fx, fy, &out);
    EXPECT_EQ(255, out.b);
    EXPECT_EQ(0, out.g);
    EXPECT_EQ(255, out.r);
}

TEST(WarpImageTest, IdentityCopiesAllButTheLastColumnAndRow)
{
    const DibImage source = Gradient(7, 5);
    DibImage destination = Filled(7, 5, kSentinel);
    WarpImage(source, destination, WarpMatrix{{1, 0, 0, 0, 1, 0, 0, 0, 1}});
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 7; ++x) {
            if (x == 6 || y == 4) {
                EXPECT_TRUE(Unwritten(destination, x, y)) << x << "," << y;
            } else {
                EXPECT_EQ(0, std::memcmp(source.Row(y) + 3 * x, destination.Row(y) + 3 * x, 3)) << x << "," << y;
            }
        }
    }
}

TEST(WarpImageTest, PointsWithoutFourNeighboursOrFiniteCoordinatesStayUnwritten)
{
    const DibImage source = Gradient(8, 8);
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    const WarpMatrix matrices[] = {
        {{1, 0, -3, 0, 1, 0, 0, 0, 1}},    // columns 0..2 map to negative columns
        {{1, 0, 0, 0, 1, -0.5, 0, 0, 1}},  // row 0 maps to row -0.5
        {{1, 0, 0, 0, 1, 0, 0, 0, 0}},     // w = 0 everywhere
        {{1, 0, 0, 0, 1, 0, 1, 0, -2}},    // w = 0 in column 2
        {{nan, 0, 0, 0, 1, 0, 0, 0, 1}},
        {{inf, 0, 0, 0, 1, 0, 0, 0, 1}},
        {{1, 0, 3e9, 0, 1, 0, 0, 0, 1}},  // beyond any 32-bit column
        {{1, 0, -3e9, 0, 1, -5e18, 0, 0, 1}},
        {{1e-300, 0, 0, 0, 1e-300, 0, 1e-300, 0, 1e-300}},  // tiny w: huge but finite quotients
    };
    for (const WarpMatrix& matrix : matrices) {
        DibImage expected = Filled(6, 6, kSentinel);
        DibImage actual = Filled(6, 6, kSentinel);
        double m[9];
        std::memcpy(m, matrix.m, sizeof m);
        reference::Warp(source, expected, m);
        WarpImage(source, actual, matrix);
        EXPECT_TRUE(SameImage(expected, actual)) << image_test::FirstDifference(expected, actual);
    }
    DibImage shifted = Filled(6, 6, kSentinel);
    WarpImage(source, shifted, matrices[0]);
    EXPECT_TRUE(Unwritten(shifted, 2, 0));
    EXPECT_FALSE(Unwritten(shifted, 3, 0));
    DibImage divided = Filled(6, 6, kSentinel);
    WarpImage(source, divided, matrices[2]);
    EXPECT_TRUE(SameImage(Filled(6, 6, kSentinel), divided));
}

TEST(WarpImageTest, FollowsThePerspectiveFormula)
{
    std::mt19937 random(7);
    const DibImage source = image_test::RandomImage(64, 48, random);
    const WarpMatrix matrix{{0.9, 0.1, 2.5, -0.05, 1.1, 1.25, 0.001, 0.002, 0.95}};
    DibImage expected = Filled(50, 40, kSentinel), actual = Filled(50, 40, kSentinel);
    double m[9];
    std::memcpy(m, matrix.m, sizeof m);
    reference::Warp(source, expected, m);
    WarpImage(source, actual, matrix);
    EXPECT_TRUE(SameImage(expected, actual)) << image_test::FirstDifference(expected, actual);
}

TEST(WarpImageTest, EmptyImagesAreLeftAlone)
{
    const DibImage source = Gradient(4, 4);
    DibImage empty;
    WarpImage(source, empty, WarpMatrix{{1, 0, 0, 0, 1, 0, 0, 0, 1}});
    EXPECT_EQ(nullptr, empty.Bits());
    DibImage destination = Filled(4, 4, kSentinel);
    WarpImage(DibImage(), destination, WarpMatrix{{1, 0, 0, 0, 1, 0, 0, 0, 1}});
    EXPECT_TRUE(SameImage(Filled(4, 4, kSentinel), destination));
}

TEST(ResizeImageTest, SameSizeCopiesPixelsAndHeader)
{
    DibImage source = Gradient(33, 17);
    source.Info()->bmiHeader.biXPelsPerMeter = 2835;
    DibImage destination = Filled(320, 240, kSentinel);
    ResizeImage(source, destination, 33, 17);
    EXPECT_TRUE(SameImage(source, destination));
}

TEST(ResizeImageTest, EmptySourceLeavesDestinationUntouched)
{
    DibImage destination = Filled(5, 3, kSentinel);
    ResizeImage(DibImage(), destination, 320, 240);
    EXPECT_TRUE(SameImage(Filled(5, 3, kSentinel), destination));
}

TEST(ResizeImageTest, HalvingTakesEverySecondPixelOfEverySecondRow)
{
    std::mt19937 random(11);
    const DibImage source = image_test::RandomImage(640, 480, random);
    DibImage destination;
    ResizeImage(source, destination, 320, 240);
    ASSERT_EQ(320, destination.Width());
    ASSERT_EQ(240, destination.Height());
    for (int32_t y = 0; y < 240; ++y) {
        for (int32_t x = 0; x < 320; ++x) {
            ASSERT_EQ(0, std::memcmp(source.Row(2 * y) + 6 * x, destination.Row(y) + 3 * x, 3)) << x << "," << y;
        }
    }
}

// Enlarging leaves the last columns and rows, whose source point reaches the source's
// last column or row, unwritten.
TEST(ResizeImageTest, EnlargingLeavesTheLastColumnsAndRowsUnwritten)
{
    struct Case {
        int32_t width, height, writtenColumns, writtenRows;
    };
    for (const Case c : {Case{160, 120, 318, 238}, Case{176, 144, 319, 239}, Case{320, 480, 319, 240}}) {
        const DibImage source = Gradient(c.width, c.height);
        DibImage destination = Filled(320, 240, kSentinel);
        ResizeImage(source, destination, 320, 240);
        for (int32_t y = 0; y < 240; ++y) {
            for (int32_t x = 0; x < 320; ++x) {
                const bool written = x < c.writtenColumns && y < c.writtenRows;
                ASSERT_EQ(!written, Unwritten(destination, x, y))
                    << c.width << "x" << c.height << " at " << x << "," << y;
            }
        }
    }
}

TEST(ResizeImageTest, DestinationWithoutStorageIsNeverWritten)
{
    const DibImage source = Gradient(8, 8);
    for (const int size : {0, -4, 70000}) {
        DibImage destination;
        ResizeImage(source, destination, size, 4);
        EXPECT_FALSE(HasPixels(destination)) << size;
        ResizeImage(source, destination, 4, size);
        EXPECT_FALSE(HasPixels(destination)) << size;
    }
}

// A header of the right size whose buffer is too small for its rows (as a failed or
// odd re-format may leave) is not written through: the image gets storage first.
TEST(ResizeImageTest, DestinationWithTooSmallABufferGetsStorage)
{
    const DibImage source = Gradient(16, 12);
    BITMAPINFO info;
    MakeInfo24(8, 6, &info);
    info.bmiHeader.biSizeImage = 10;
    DibImage destination(&info);
    ASSERT_FALSE(destination.HasRows());
    ResizeImage(source, destination, 8, 6);
    DibImage expected;
    reference::Resize(source, expected, 8, 6);
    EXPECT_TRUE(SameImage(expected, destination)) << image_test::FirstDifference(expected, destination);
}

}  // namespace
