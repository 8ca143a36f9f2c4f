// The picture of outputs of another size: the option's form, the resized camera frame and
// the logo scaled and placed with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "output/scaled_frame.h"

namespace {

TEST(OutputSizeTest, TakesEvenSizesAndTheCameraOnly)
{
    OutputSize size;
    std::string error;
    ASSERT_TRUE(ParseOutputSize("640x480", &size, &error));
    EXPECT_EQ(640, size.width);
    EXPECT_EQ(480, size.height);
    EXPECT_FALSE(size.camera);
    ASSERT_TRUE(ParseOutputSize("camera", &size, &error));
    EXPECT_TRUE(size.camera);
    ASSERT_TRUE(ParseOutputSize("2x7680", &size, &error));
    for (const char* refused : {"", "x", "641x480", "640x481", "0x0", "640x", "x480", "-640x480", "+640x480",
                                "640x480x2", "7682x480", "99999999999x2", "640X480", "640 x480", "Camera"}) {
        error.clear();
        EXPECT_FALSE(ParseOutputSize(refused, &size, &error)) << refused;
        EXPECT_NE(std::string::npos, error.find("--output-size takes")) << refused;
    }
}

void Fill(DibImage& image, int width, int height, uint8_t blue)
{
    ASSERT_EQ(0, image.SetSize(width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = image.Row(y) + 3 * x;
            pixel[0] = blue;
            pixel[1] = static_cast<uint8_t>(x);
            pixel[2] = static_cast<uint8_t>(y);
        }
    }
}

BgrPixel At(const DibImage& image, int x, int y)
{
    const uint8_t* pixel = image.Row(y) + 3 * x;
    return BgrPixel{pixel[0], pixel[1], pixel[2]};
}

bool operator==(BgrPixel a, BgrPixel b)
{
    return a.b == b.b && a.g == b.g && a.r == b.r;
}

constexpr BgrPixel kKey{255, 0, 0};

// A display image, the camera frame it came from and a square logo whose top-left pixel
// is the key colour.
struct Pictures {
    Pictures(int displayWidth, int displayHeight, int cameraWidth, int cameraHeight, int logoSize)
    {
        Fill(display, displayWidth, displayHeight, 1);
        Fill(camera, cameraWidth, cameraHeight, 2);
        Fill(logo, logoSize, logoSize, 3);
        std::memcpy(logo.Row(0), &kKey, 3);
    }
    DibImage display;
    DibImage camera;
    DibImage logo;
};

TEST(ScaledFrameTest, TheLogoIsScaledAndPlacedWithThePictureAtFractionalFactors)
{
    Pictures pictures(32, 24, 64, 48, 4);
    const DibImage& display = pictures.display;
    const DibImage& camera = pictures.camera;
    const DibImage& logo = pictures.logo;
    ScaledFrame frame;
    frame.SetSize(OutputSize{48, 36, false});

    // A logo half outside the display, at (-3, -1): at 1.5 times it lies at
    // (-4.5, -1.5) rounded down, 6 x 6 pixels, each logo pixel 1.5 pixels across.
    const DibImage* picture = frame.Compose(display, camera, LogoPlacement{&logo, -3, -1, kKey});
    ASSERT_NE(nullptr, picture);
    ASSERT_EQ(48, picture->Width());
    ASSERT_EQ(36, picture->Height());
    EXPECT_TRUE(At(*picture, 0, 0) == At(logo, 3, 1));
    EXPECT_TRUE(At(*picture, 0, 3) == At(logo, 3, 3));
    // Beyond the logo, the camera frame resized: its pixel at the 4/3 position.
    EXPECT_TRUE(At(*picture, 3, 3) == At(camera, 4, 4));
    EXPECT_TRUE(At(*picture, 0, 4) == (BgrPixel{2, 0, 5}));

    // The logo's key colour leaves the picture as it was.
    picture = frame.Compose(display, camera, LogoPlacement{&logo, 0, 0, kKey});
    EXPECT_TRUE(At(*picture, 0, 0) == At(camera, 0, 0));
    EXPECT_TRUE(At(*picture, 1, 1) == At(camera, 1, 1));
    EXPECT_TRUE(At(*picture, 2, 2) == At(logo, 1, 1));
}

TEST(ScaledFrameTest, CameraSizeWaitsForTheFirstFrameAndKeepsItsSize)
{
    DibImage display;
    DibImage camera;
    Fill(display, 32, 24, 1);
    ScaledFrame frame;
    frame.SetSize(OutputSize{0, 0, true});
    EXPECT_EQ(nullptr, frame.Compose(display, camera, {}));

    Fill(camera, 40, 30, 2);
    const DibImage* picture = frame.Compose(display, camera, {});
    ASSERT_NE(nullptr, picture);
    EXPECT_EQ(40, picture->Width());
    EXPECT_EQ(0, std::memcmp(camera.Bits(), picture->Bits(), static_cast<size_t>(camera.ImageSize())));

    // A device that changes its format mid-run does not change the outputs' size.
    Fill(camera, 80, 60, 4);
    picture = frame.Compose(display, camera, {});
    EXPECT_EQ(40, picture->Width());
    EXPECT_EQ(30, picture->Height());
    EXPECT_TRUE(At(*picture, 1, 1) == At(camera, 2, 2));
}

TEST(ScaledFrameTest, EnlargingLeavesNoLogoBehindOnTheEdge)
{
    Pictures pictures(16, 12, 16, 12, 2);
    const DibImage& display = pictures.display;
    const DibImage& camera = pictures.camera;
    ScaledFrame frame;
    frame.SetSize(OutputSize{32, 24, false});
    const DibImage* picture = frame.Compose(display, camera, LogoPlacement{&pictures.logo, 14, 10, kKey});
    ASSERT_NE(nullptr, picture);
    EXPECT_TRUE(At(*picture, 31, 23) == At(pictures.logo, 1, 1));
    // The next tick without the logo: the edge that the resize does not reach is black.
    picture = frame.Compose(display, camera, {});
    EXPECT_TRUE(At(*picture, 31, 23) == (BgrPixel{0, 0, 0}));
    EXPECT_TRUE(At(*picture, 28, 20) == At(camera, 14, 10));
}

// value x to / from, rounded down, worked out in the plainest way.
int Floor(int value, int to, int from)
{
    return static_cast<int>(std::floor(static_cast<double>(value) * to / from));
}

// What the outputs should get with logos on faces: the camera frame resized (the picture
// with no logo), and pixel by pixel of each face's rectangle scaled to the output, the
// logo's nearest pixel unless it is the key.
DibImage Expected(const DibImage& resized, const Pictures& pictures, const std::vector<ImageRect>& faces)
{
    DibImage expected = resized;
    const DibImage& logo = pictures.logo;
    const int width = expected.Width(), height = expected.Height();
    const int displayWidth = pictures.display.Width(), displayHeight = pictures.display.Height();
    for (const ImageRect& face : faces) {
        const int left = Floor(face.x, width, displayWidth), top = Floor(face.y, height, displayHeight);
        const int across = Floor(face.width, width, displayWidth), down = Floor(face.height, height, displayHeight);
        for (int y = std::max(0, top); y < std::min(height, top + down); ++y) {
            for (int x = std::max(0, left); x < std::min(width, left + across); ++x) {
                const BgrPixel pixel = At(logo, (x - left) * logo.Width() / across, (y - top) * logo.Height() / down);
                if (!(pixel == kKey)) std::memcpy(expected.Row(y) + 3 * x, &pixel, 3);
            }
        }
    }
    return expected;
}

TEST(ScaledFrameTest, EachFacesLogoIsScaledAgainOntoTheResizedCameraFrame)
{
    Pictures pictures(320, 240, 640, 480, 40);
    for (int y = 0; y < 40; ++y) std::memcpy(pictures.logo.Row(y) + 3 * 30, &kKey, 3);  // a keyed column
    // Two faces inside, one past the left and bottom edges, one past the right, and the
    // empty rectangle of a logo without a drawn part.
    const std::vector<ImageRect> faces{
        {40, 30, 90, 110}, {200, 100, 64, 60}, {-20, 180, 81, 90}, {250, 10, 100, 70}, {0, 0, -1, -1}};
    // Twice the size, factors that are no fractions of small numbers, and more than 1024
    // columns for one logo (24 times across).
    for (const OutputSize size : {OutputSize{640, 480}, OutputSize{461, 347}, OutputSize{7680, 960}}) {
        SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
        ScaledFrame frame;
        frame.SetSize(size);
        const DibImage resized = *frame.Compose(pictures.display, pictures.camera, {});
        const DibImage expected = Expected(resized, pictures, faces);
        const DibImage* picture =
            frame.Compose(pictures.display, pictures.camera, LogoPlacement{&pictures.logo, 0, 0, kKey, faces});
        ASSERT_NE(nullptr, picture);
        ASSERT_EQ(size.width, picture->Width());
        ASSERT_EQ(size.height, picture->Height());
        EXPECT_EQ(0, std::memcmp(expected.Bits(), picture->Bits(), static_cast<size_t>(expected.ImageSize())));
        // The next tick with no face held: the camera frame alone, no logo left behind.
        picture = frame.Compose(pictures.display, pictures.camera, {});
        EXPECT_EQ(0, std::memcmp(resized.Bits(), picture->Bits(), static_cast<size_t>(resized.ImageSize())));
    }
}

}  // namespace
