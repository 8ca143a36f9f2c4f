#include "locate/face_locator.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "test_pictures.h"

namespace {

using locate_test::Paint;
using locate_test::Picture;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr SkinRange kSkin{{0, 77, 133}, {255, 127, 177}};
constexpr BgrPixel kKey{255, 0, 0}, kSkinColour{140, 172, 224}, kWall{200, 120, 60};

// A round logo, as the program's: a disc of radius 45 in a 100 x 100 keyed frame.
DibImage RoundLogo()
{
    DibImage frame = Picture(100, 100, kKey);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            if ((x - 49.5) * (x - 49.5) + (y - 49.5) * (y - 49.5) < 45 * 45) *PixelAt(frame.Row(y), x) = {0, 200, 255};
        }
    }
    return frame;
}

// Answers each detection with the next scripted result; false fails the detection.
struct Answer {
    bool works;
    std::vector<FaceBox> faces;
};

// Each detection waits until the test lets one through, so that the ticks a test runs
// cannot use up answers meant for later; Open lets every detection through.
class ScriptedDetector : public FaceDetector {
public:
    explicit ScriptedDetector(std::deque<Answer> answers) : answers_(std::move(answers)) {}

    bool Detect(const DibImage&, std::vector<FaceBox>& faces) override
    {
        std::unique_lock lock(mutex_);
        released_.wait(lock, [this] { return open_ || allowed_ > 0; });
        if (allowed_ > 0) --allowed_;
        const Answer answer = answers_.empty() ? Answer{true, {}} : answers_.front();
        if (!answers_.empty()) answers_.pop_front();
        faces = answer.faces;
        return answer.works;
    }

    void AllowOne()
    {
        std::lock_guard lock(mutex_);
        ++allowed_;
        released_.notify_all();
    }

    void Open()
    {
        std::lock_guard lock(mutex_);
        open_ = true;
        released_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    int allowed_ = 0;
    bool open_ = false;
    std::deque<Answer> answers_;
};

// The locator with a scripted detector and a clock the test moves.
class FaceLocatorTest : public testing::Test {
protected:
    void Start(std::deque<Answer> answers, Clock::duration interval = 0ms)
    {
        FaceLocatorSettings settings;
        settings.detectionInterval = interval;
        settings.now = [this] { return now_; };
        auto detector = std::make_unique<ScriptedDetector>(std::move(answers));
        detector_ = detector.get();
        made_ = std::move(detector);
        // The worker takes the detector when it starts.
        locator_ = std::make_unique<FaceLocator>([this] { return std::move(made_); }, kSkin, logo_, kKey, settings);
    }

    void TearDown() override
    {
        if (detector_) detector_->Open();
        locator_.reset();
    }

    // Lets one detection through, locates until it is done, then once more to take it. A
    // tick offers no picture while the worker is pausing, so the tick is repeated if no
    // detection follows soon.
    std::vector<LogoRect> AfterDetection(const DibImage& picture)
    {
        const uint64_t before = locator_->Detections();
        detector_->AllowOne();
        std::vector<LogoRect> logos;
        for (int tick = 0; tick < 100 && locator_->Detections() == before; ++tick) {
            locator_->Locate(picture, logos);
            for (int i = 0; i < 50 && locator_->Detections() == before; ++i) std::this_thread::sleep_for(1ms);
        }
        EXPECT_EQ(before + 1, locator_->Detections());
        locator_->Locate(picture, logos);
        return logos;
    }

    std::vector<LogoRect> Locate(const DibImage& picture)
    {
        std::vector<LogoRect> logos;
        locator_->Locate(picture, logos);
        return logos;
    }

    std::vector<LogoRect> SkinPlacement(const DibImage& picture)
    {
        std::vector<LogoRect> logos;
        SkinLocator(kSkin, logo_).Locate(picture, logos);
        return logos;
    }

    static void ExpectCentredOn(const LogoRect& logo, double x, double y)
    {
        EXPECT_NEAR(logo.x + logo.width / 2.0, x, 1.0);
        EXPECT_NEAR(logo.y + logo.height / 2.0, y, 1.0);
        EXPECT_GT(logo.width, 0);
    }

    Clock::time_point now_{};
    DibImage logo_ = RoundLogo();
    std::unique_ptr<FaceDetector> made_;
    ScriptedDetector* detector_ = nullptr;  // owned by locator_'s worker
    std::unique_ptr<FaceLocator> locator_;
};

bool Same(const LogoRect& a, const LogoRect& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

TEST_F(FaceLocatorTest, HandsOverFromSkinToFacesAndBackWhenTheyStayAway)
{
    const FaceBox face{100, 60, 60, 80};
    Start({{true, {face}}, {true, {}}, {true, {}}});
    DibImage picture = Picture(320, 240, kWall);
    Paint(picture, FaceBox{20, 150, 40, 40}, kSkinColour);  // a hand: where the skin placement goes

    // Before any detection: the skin placement, at the frame's own size.
    std::vector<LogoRect> logos = Locate(picture);
    ASSERT_EQ(1u, logos.size());
    EXPECT_TRUE(Same(SkinPlacement(picture)[0], logos[0]));

    // Found: a logo over the face, covering its box; no skin around it, so on its centre.
    logos = AfterDetection(picture);
    ASSERT_EQ(1u, logos.size());
    ExpectCentredOn(logos[0], 130, 100);
    EXPECT_GE(logos[0].width, 60 * 1.1);

    // Not found again for a moment: held.
    now_ += 300ms;
    logos = AfterDetection(picture);
    ASSERT_EQ(1u, logos.size());
    ExpectCentredOn(logos[0], 130, 100);

    // Gone for longer than the hold: back to the skin placement.
    now_ += 250ms;
    logos = AfterDetection(picture);
    ASSERT_EQ(1u, logos.size());
    EXPECT_TRUE(Same(SkinPlacement(picture)[0], logos[0]));
}

// A busy machine can slow detections down beyond the hold: a face is dropped only once a
// detection has come back without it, or when none has for several holds.
TEST_F(FaceLocatorTest, AFaceIsHeldWhileNoDetectionComesBack)
{
    Start({{true, {FaceBox{100, 60, 60, 80}}}, {true, {}}, {true, {FaceBox{100, 60, 60, 80}}}});
    const DibImage picture = Picture(320, 240, kWall);
    ASSERT_EQ(1u, AfterDetection(picture).size());

    now_ += 1500ms;  // three holds and no detection since
    std::vector<LogoRect> logos = Locate(picture);
    ASSERT_EQ(1u, logos.size());
    ExpectCentredOn(logos[0], 130, 100);

    logos = AfterDetection(picture);  // not found: gone, it was last found long ago
    ASSERT_EQ(1u, logos.size());
    EXPECT_TRUE(Same(SkinPlacement(picture)[0], logos[0]));

    ASSERT_EQ(1u, AfterDetection(picture).size());
    now_ += 2001ms;  // beyond four holds without a detection
    logos = Locate(picture);
    ASSERT_EQ(1u, logos.size());
    EXPECT_TRUE(Same(SkinPlacement(picture)[0], logos[0]));
}

TEST_F(FaceLocatorTest, EveryFaceUpToTheLimitGetsALogoAndALostOneIsHeldBesideTheFound)
{
    std::vector<FaceBox> many;
    for (int i = 0; i < 5; ++i) many.push_back(FaceBox{10 + 50 * i, 20, 30, 30});
    many.push_back(FaceBox{260, 20, 40, 40});  // the largest, found last
    Start({{true, many}, {true, {FaceBox{200, 150, 40, 40}}}, {true, {FaceBox{200, 150, 40, 40}}}});
    const DibImage picture = Picture(320, 240, kWall);

    std::vector<LogoRect> logos = AfterDetection(picture);
    ASSERT_EQ(kMostFaces, logos.size());
    ExpectCentredOn(logos[0], 280, 40);
    for (size_t i = 1; i < kMostFaces; ++i) ExpectCentredOn(logos[i], 25 + 50 * (i - 1), 35);

    // One new face; the others were not found again and are held beside it, to the limit.
    now_ += 300ms;
    logos = AfterDetection(picture);
    ASSERT_EQ(kMostFaces, logos.size());
    ExpectCentredOn(logos[0], 220, 170);
    ExpectCentredOn(logos[1], 280, 40);

    // Past the hold only the face found since is left.
    now_ += 300ms;
    logos = AfterDetection(picture);
    ASSERT_EQ(1u, logos.size());
    ExpectCentredOn(logos[0], 220, 170);
}

TEST_F(FaceLocatorTest, BetweenDetectionsTheLogoFollowsTheSkinOfItsFace)
{
    // One detection, then none for the rest of the test.
    Start({{true, {FaceBox{100, 60, 60, 80}}}}, std::chrono::hours(1));
    DibImage picture = Picture(320, 240, kWall);
    Paint(picture, FaceBox{100, 60, 60, 90}, kSkinColour);  // face and neck: the centroid is low
    Paint(picture, FaceBox{280, 0, 40, 240}, kSkinColour);  // far off, outside the face's margin
    std::vector<LogoRect> logos = AfterDetection(picture);
    ASSERT_EQ(1u, logos.size());
    ExpectCentredOn(logos[0], 130, 100);

    // The person moves 12 right and 6 down; the logo keeps its place on the face.
    DibImage moved = Picture(320, 240, kWall);
    Paint(moved, FaceBox{112, 66, 60, 90}, kSkinColour);
    Paint(moved, FaceBox{280, 0, 40, 240}, kSkinColour);
    for (int tick = 0; tick < 3; ++tick) logos = Locate(moved);
    ASSERT_EQ(1u, logos.size());
    ExpectCentredOn(logos[0], 142, 106);

    // The skin is gone: the logo stays where it was.
    logos = Locate(Picture(320, 240, kWall));
    ASSERT_EQ(1u, logos.size());
    ExpectCentredOn(logos[0], 142, 106);
}

TEST_F(FaceLocatorTest, AFailingDetectorHandsBackToSkinForGoodWithOneMessage)
{
    Start({{true, {FaceBox{100, 60, 60, 80}}}, {false, {}}, {true, {FaceBox{100, 60, 60, 80}}}});
    DibImage picture = Picture(320, 240, kWall);
    Paint(picture, FaceBox{20, 150, 40, 40}, kSkinColour);
    EXPECT_EQ(1u, AfterDetection(picture).size());

    testing::internal::CaptureStderr();
    std::vector<LogoRect> logos = AfterDetection(picture);
    for (int tick = 0; tick < 20; ++tick) {
        std::this_thread::sleep_for(1ms);
        logos = Locate(picture);
    }
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, message.find("face detector failed")) << message;
    EXPECT_EQ(message.find("\n"), message.rfind("\n")) << "one message: " << message;
    EXPECT_EQ(2u, locator_->Detections()) << "a failed detector is not asked again";
    ASSERT_EQ(1u, logos.size());
    EXPECT_TRUE(Same(SkinPlacement(picture)[0], logos[0]));
}

TEST_F(FaceLocatorTest, ADetectorThatCannotStartLeavesTheSkinPlacementWithOneMessage)
{
    FaceLocatorSettings settings;
    settings.now = [this] { return now_; };
    testing::internal::CaptureStderr();
    locator_ = std::make_unique<FaceLocator>([] { return nullptr; }, kSkin, logo_, kKey, settings);
    DibImage picture = Picture(320, 240, kWall);
    Paint(picture, FaceBox{20, 150, 40, 40}, kSkinColour);
    for (int i = 0; i < 5000 && locator_->Detections() == 0; ++i) std::this_thread::sleep_for(1ms);
    std::vector<LogoRect> logos;
    for (int tick = 0; tick < 3; ++tick) logos = Locate(picture);
    EXPECT_EQ("quenmire: the face detector could not start; the logo is placed by skin colour from now on\n",
              testing::internal::GetCapturedStderr());
    ASSERT_EQ(1u, logos.size());
    EXPECT_TRUE(Same(SkinPlacement(picture)[0], logos[0]));
}

TEST_F(FaceLocatorTest, AnEmptyPictureGetsNoLogoAndNoCrash)
{
    Start({{true, {FaceBox{0, 0, 5000, 5000}}}});
    const DibImage empty;
    std::vector<LogoRect> logos = AfterDetection(empty);
    ASSERT_EQ(1u, logos.size());
    EXPECT_LE(logos[0].width, kLargestLogo);
    DibImage display;
    DrawLogo(display, logo_, logos[0], kKey);
}

}  // namespace
