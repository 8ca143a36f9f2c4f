#include "camera_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using dshow::FrameSize;

dshow::CapsRef Caps(const char* text)
{
    return dshow::CapsRef(gst_caps_from_string(text));
}

FrameSize Choose(const char* offered)
{
    gst_init(nullptr, nullptr);
    return dshow::ChooseCameraSize(Caps(offered).get());
}

void ExpectSize(FrameSize expected, FrameSize actual)
{
    EXPECT_EQ(expected.width, actual.width);
    EXPECT_EQ(expected.height, actual.height);
}

TEST(CameraFormatTest, TakesVgaWhenOffered)
{
    ExpectSize({640, 480}, Choose("image/jpeg,width=1280,height=720; video/x-raw,format=YUY2,width=640,height=480"));
    ExpectSize({640, 480}, Choose("video/x-raw,format=YUY2,width=[160,1920],height=[120,1080]"));
}

TEST(CameraFormatTest, OtherwiseTakesTheNearestSizeFirstOnATie)
{
    ExpectSize({320, 240}, Choose("video/x-raw,width=1280,height=720; video/x-raw,width=320,height=240"));
    ExpectSize({800, 600}, Choose("video/x-raw,width=800,height=600; video/x-raw,width=480,height=360"));
    ExpectSize({1920, 480}, Choose("video/x-raw,width=[1920,3840],height=[240,480]"));
    ExpectSize({640, 480}, Choose("video/x-raw,format=YUY2"));  // no sizes named at all
    gst_init(nullptr, nullptr);
    ExpectSize({640, 480}, dshow::ChooseCameraSize(nullptr));
}

TEST(CameraFormatTest, RestrictionKeepsEveryFormatAtTheChosenSize)
{
    gst_init(nullptr, nullptr);
    dshow::CapsRef offered = Caps(
        "image/jpeg,width=[160,1280],height=[120,720]; "
        "video/x-raw,format=YUY2,width=320,height=240; "
        "video/x-raw,format=YUY2,width=640,height=480");
    dshow::CapsRef sized = dshow::RestrictToSize(offered.get(), FrameSize{640, 480});
    dshow::CapsRef expected = Caps("image/jpeg,width=640,height=480; video/x-raw,format=YUY2,width=640,height=480");
    EXPECT_TRUE(gst_caps_is_equal(expected.get(), sized.get())) << gst_caps_to_string(sized.get());
}

}  // namespace
