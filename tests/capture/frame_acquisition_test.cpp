#include "capture/capture_system.h"

#include <gtest/gtest.h>

#include <cstring>

#include "capture_test_support.h"
#include "test_scene.h"

namespace {

using test_support::TestInputs;
using test_support::WaitFor;

// A capture system running the test camera, 640 x 480.
class FrameAcquisitionTest : public test_support::CaptureTest {
protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        dshow::SetVideoInputSettings(TestInputs(true));
        Answer({IDYES});
        capture_ = std::make_unique<CaptureSystem>();
        ASSERT_EQ(1, capture_->Open(1, 0));
        DibImage first;
        ASSERT_TRUE(WaitFor([&] { return capture_->FetchFrame(0, first) == 0; }));
    }
    void TearDown() override
    {
        capture_.reset();
        CaptureTest::TearDown();
    }

    std::unique_ptr<CaptureSystem> capture_;
};

TEST_F(FrameAcquisitionTest, EmptyImageTakesTheDeviceFormatAndTheFrameRightWayUp)
{
    DibImage image;
    ASSERT_EQ(0, capture_->FetchFrame(0, image));
    EXPECT_EQ(0, std::memcmp(image.Info(), &capture_->Device(0).header, sizeof(BITMAPINFO)));
    ASSERT_TRUE(image.HasRows());
    for (int y = 0; y < test_scene::kBannerRows; ++y) {
        for (int x = 0; x < 640; ++x) {
            const test_scene::Bgr expected = test_scene::BannerPixel(x, y);
            const uint8_t* pixel = image.Row(y) + 3 * x;
            ASSERT_EQ(expected.b, pixel[0]) << x << "," << y;
            ASSERT_EQ(expected.g, pixel[1]) << x << "," << y;
            ASSERT_EQ(expected.r, pixel[2]) << x << "," << y;
        }
    }
}

TEST_F(FrameAcquisitionTest, ImageOfTheDeviceFormatKeepsItsBuffer)
{
    DibImage image;
    ASSERT_EQ(0, capture_->FetchFrame(0, image));
    const uint8_t* buffer = image.Bits();
    std::memset(image.Bits(), 0, static_cast<size_t>(image.ImageSize()));
    ASSERT_EQ(0, capture_->FetchFrame(0, image));
    EXPECT_EQ(buffer, image.Bits());
    EXPECT_EQ(test_scene::BannerPixel(5, 0).b, image.Row(0)[15]);  // the copy went into it
}

TEST_F(FrameAcquisitionTest, ImageOfAnotherFormatIsRecreated)
{
    DibImage smaller;
    smaller.SetSize(320, 240);
    ASSERT_EQ(0, capture_->FetchFrame(0, smaller));
    EXPECT_EQ(640, smaller.Width());
    EXPECT_EQ(480, smaller.Height());
    EXPECT_EQ(640 * 3 * 480, smaller.ImageSize());

    // Same width and height, another image size.
    BITMAPINFO padded = capture_->Device(0).header;
    padded.bmiHeader.biSizeImage += 4;
    DibImage oversized(&padded);
    ASSERT_EQ(0, capture_->FetchFrame(0, oversized));
    EXPECT_EQ(640 * 3 * 480, oversized.ImageSize());
}

TEST_F(FrameAcquisitionTest, CopyNeedsABuffer)
{
    EXPECT_EQ(-1, capture_->CopyFrame(0, nullptr));
}

class FailedCopyTest : public test_support::CaptureTest {};

TEST_F(FailedCopyTest, FailedCopyLeavesTheImageInTheDeviceFormat)
{
    dshow::SetVideoInputSettings(TestInputs(false, {test_support::PatternSource(64, 48, "error-after=1")}));
    Answer({IDYES});
    CaptureSystem capture;
    ASSERT_EQ(1, capture.Open(1, 0));
    ASSERT_TRUE(WaitFor([&] { return Counters(capture, 0).streamErrors > 0; }));

    DibImage image;
    EXPECT_EQ(-1, capture.FetchFrame(0, image));
    EXPECT_EQ(64, image.Width());
    EXPECT_EQ(48, image.Height());
    const uint8_t* buffer = image.Bits();
    EXPECT_EQ(-1, capture.FetchFrame(0, image));
    EXPECT_EQ(buffer, image.Bits());
}

}  // namespace
