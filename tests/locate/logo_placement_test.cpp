#include "locate/logo_placement.h"

#include <gtest/gtest.h>

#include "image/skin_overlay.h"
#include "locate/logo_locator.h"
#include "test_pictures.h"

namespace {

using locate_test::Picture;

constexpr BgrPixel kKey{255, 0, 0}, kInk{10, 20, 30}, kWall{200, 120, 60};

bool Is(const DibImage& image, int x, int y, BgrPixel colour)
{
    const BgrPixel& p = *PixelAt(image.Row(y), x);
    return p.b == colour.b && p.g == colour.g && p.r == colour.r;
}

// A keyed frame whose drawn part is an ellipse filling a box of 60 x 40 inside 100 x 80.
DibImage EllipseLogo()
{
    DibImage frame = Picture(100, 80, kKey);
    for (int y = 20; y < 60; ++y) {
        for (int x = 20; x < 80; ++x) {
            const double dx = (x + 0.5 - 50) / 30, dy = (y + 0.5 - 40) / 20;
            if (dx * dx + dy * dy <= 1) *PixelAt(frame.Row(y), x) = kInk;
        }
    }
    return frame;
}

TEST(LogoPlacementTest, AScaledLogoCoversEveryPixelOfItsFaceBox)
{
    const DibImage frame = EllipseLogo();
    const LogoShape shape = ShapeOf(frame, kKey);
    EXPECT_EQ(60, shape.drawnWidth);
    EXPECT_EQ(40, shape.drawnHeight);
    for (const FaceBox face : {FaceBox{100, 60, 60, 80}, FaceBox{10, 10, 24, 24}, FaceBox{150, 20, 120, 90}}) {
        DibImage canvas = Picture(320, 240, kWall);
        const LogoRect logo =
            CoverPlacement(shape, face.x + face.width / 2.0, face.y + face.height / 2.0, face.width, face.height);
        DrawLogo(canvas, frame, logo, kKey);
        for (int y = face.y; y < face.y + face.height; ++y) {
            for (int x = face.x; x < face.x + face.width; ++x) {
                ASSERT_TRUE(Is(canvas, x, y, kInk))
                    << "face " << face.width << " x " << face.height << " at " << x << ", " << y;
            }
        }
    }
}

TEST(LogoPlacementTest, NothingToDrawAndHugeBoxesAreBounded)
{
    const DibImage keyOnly = Picture(100, 100, kKey);
    const LogoRect none = CoverPlacement(ShapeOf(keyOnly, kKey), 50, 50, 40, 40);
    DibImage canvas = Picture(64, 48, kWall), before = canvas;
    DrawLogo(canvas, EllipseLogo(), none, kKey);
    EXPECT_EQ(0, memcmp(before.Bits(), canvas.Bits(), static_cast<size_t>(canvas.ImageSize())));

    const LogoRect huge = CoverPlacement(ShapeOf(EllipseLogo(), kKey), 0, 0, 1 << 30, 1 << 30);
    EXPECT_EQ(kLargestLogo, huge.width);
    EXPECT_EQ(kLargestLogo, huge.height);
}

TEST(LogoPlacementTest, DrawingIsKeyedBlitAtItsOwnSizeAndClippedWhenScaled)
{
    const DibImage frame = EllipseLogo();
    for (const LogoRect at : {LogoRect{-30, -20}, LogoRect{10, 5}, LogoRect{300, 230}}) {
        DibImage drawn = Picture(320, 240, kWall), blitted = drawn;
        DrawLogo(drawn, frame, at, kKey);
        KeyedBlit(blitted, frame, at.x, at.y, kKey);
        EXPECT_EQ(0, memcmp(drawn.Bits(), blitted.Bits(), static_cast<size_t>(drawn.ImageSize())));
    }
    // Scaled past every edge: the middle of the ellipse lands where it should, nothing else.
    DibImage canvas = Picture(40, 30, kWall);
    DrawLogo(canvas, frame, LogoRect{-80, -60, 200, 160}, kKey);
    EXPECT_TRUE(Is(canvas, 20, 20, kInk));
    DrawLogo(canvas, frame, LogoRect{39, 29, 1, 1}, kKey);
    DrawLogo(canvas, frame, LogoRect{-5000, 5000, 1024, 1024}, kKey);
}

TEST(RegionCentroidTest, CountsOnlyInsideTheRegionClippedToTheImage)
{
    DibImage mask = Picture(50, 40, kKey);
    *PixelAt(mask.Row(5), 6) = kInk;
    *PixelAt(mask.Row(30), 40) = kInk;
    *PixelAt(mask.Row(39), 49) = kInk;
    double x = -7, y = -7;
    EXPECT_EQ(0, RegionCentroid(mask, kInk, FaceBox{10, 10, 20, 10}, x, y));
    EXPECT_EQ(-7, x);
    EXPECT_EQ(2, RegionCentroid(mask, kInk, FaceBox{30, 20, 100, 100}, x, y));
    EXPECT_EQ(44.5, x);
    EXPECT_EQ(34.5, y);
    EXPECT_EQ(3, RegionCentroid(mask, kInk, FaceBox{-100, -100, 1000, 1000}, x, y));
    EXPECT_EQ(0, RegionCentroid(DibImage(), kInk, FaceBox{0, 0, 10, 10}, x, y));
}

TEST(SkinLocatorTest, PlacesTheFrameAtTheTruncatedSkinCentroid)
{
    constexpr SkinRange kSkin{{0, 77, 133}, {255, 127, 177}};
    const DibImage frame = Picture(101, 99, kKey);
    DibImage picture = Picture(320, 240, kWall);
    std::vector<LogoRect> logos;
    SkinLocator locator(kSkin, frame);
    locator.Locate(picture, logos);  // no skin: the centroid is -1, -1
    ASSERT_EQ(1u, logos.size());
    EXPECT_EQ(-51, logos[0].x);  // -1 - 50.5 truncated toward zero
    EXPECT_EQ(-50, logos[0].y);
    EXPECT_EQ(0, logos[0].width);

    *PixelAt(picture.Row(100), 200) = BgrPixel{140, 172, 224};
    *PixelAt(picture.Row(101), 201) = BgrPixel{140, 172, 224};
    locator.Locate(picture, logos);
    EXPECT_EQ(150, logos[0].x);  // 200.5 - 50.5
    EXPECT_EQ(51, logos[0].y);   // 100.5 - 49.5
}

}  // namespace
