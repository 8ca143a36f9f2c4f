// The frame pipeline through the running dialog: the logo's animation, where the logo is
// pasted, and the snapshots' numbers. Each test counts from its process's first tick and
// first snapshot, as the program does.
#include <filesystem>
#include <map>

#include "app/res/resource.h"
#include "program_test.h"

namespace app_test {
namespace {

// The display control shows the picture's left 275 columns.
const QRect kShown(0, 0, 275, 240);

// Skin whose centroid is (160.0, 120.0).
QImage CentredSkin()
{
    return SkinPicture({QRect(QPoint(140, 100), QPoint(180, 140))});
}

// The logo frame shown after the process's `tick`-th tick.
int FrameAfter(long tick)
{
    return static_cast<int>(tick / 3 % 60);
}

class PipelineTest : public ProgramTest {
protected:
    // Lets the camera's picture show, stops the timer, switches Intercepter on, and ticks
    // once more.
    static void TickWithLogoOn(RunningProgram& program, const QImage& camera)
    {
        ASSERT_TRUE(CameraShows(program, camera)) << "the camera's picture never showed";
        program.Click(IDC_STOP);
        program.Click(IDC_INTERCEPT);
        program.Tick();
    }
};

TEST_F(PipelineTest, LogoMovesOnEveryThirdTickThroughItsSixtyFrames)
{
    if (RanInFreshProcess()) return;
    WriteLogoFrames(Path(""), QSize(100, 80));
    std::map<long, std::set<int>> shown;
    RunProgram(CameraShowing(CentredSkin()), [&](RunningProgram& program) {
        ASSERT_EQ(0, program.Ticks());
        program.Click(IDC_STOP);
        program.Click(IDC_INTERCEPT);
        const auto tickTo = [&](long tick) {
            while (program.Ticks() < tick) program.Tick();
            shown[tick] = LogoFramesIn(program.Display());
        };
        for (long tick = 1; tick <= 7; ++tick) tickTo(tick);
        program.Click(IDC_INTERCEPT);  // off: no logo, and the animation goes on
        tickTo(8);
        program.Click(IDC_INTERCEPT);
        tickTo(179);
        tickTo(180);
        program.Click(IDCANCEL);
    });
    const std::map<long, std::set<int>> expected = {{1, {0}}, {2, {0}}, {3, {1}}, {4, {1}},    {5, {1}},
                                                    {6, {2}}, {7, {2}}, {8, {}},  {179, {59}}, {180, {0}}};
    EXPECT_EQ(expected, shown);
}

TEST_F(PipelineTest, LogoIsCentredOnTheSkinWithFrameZerosHalfSize)
{
    if (RanInFreshProcess()) return;
    const QSize logo(100, 80);  // half size 50.0 x 40.0
    WriteLogoFrames(Path(""), logo);
    const QImage camera = CentredSkin();
    const ProgramRun run = RunProgram(CameraShowing(camera), [&](RunningProgram& program) {
        TickWithLogoOn(program, camera);
        const QImage expected = Pasted(camera, LogoFrame(FrameAfter(program.Ticks()), logo), QPoint(110, 80));
        EXPECT_EQ("", Difference(program.Display(), expected, kShown));
        program.Click(IDC_INTERCEPT);
        program.Tick();
        EXPECT_EQ("", Difference(program.Display(), camera, kShown)) << "Intercepter off shows the camera alone";
        program.Click(IDCANCEL);
    });
    EXPECT_TRUE(run.scenarioRan);
}

TEST_F(PipelineTest, WithoutFrameZeroTheFirstFrameThereIsCentresTheLogo)
{
    if (RanInFreshProcess()) return;
    const QSize logo(100, 80);
    WriteLogoFrames(Path(""), logo);
    std::filesystem::remove(Path("images/laugh0000.bmp"));
    const QImage camera = CentredSkin();
    const ProgramRun run = RunProgram(CameraShowing(camera), [&](RunningProgram& program) {
        TickWithLogoOn(program, camera);
        while (FrameAfter(program.Ticks()) == 0) program.Tick();
        const QImage expected = Pasted(camera, LogoFrame(FrameAfter(program.Ticks()), logo), QPoint(110, 80));
        EXPECT_EQ("", Difference(program.Display(), expected, kShown));
        program.Click(IDCANCEL);
    });
    EXPECT_TRUE(run.scenarioRan);
}

TEST_F(PipelineTest, PastePositionIsTruncatedTowardZeroAndNoSkinMeansTheCorner)
{
    if (RanInFreshProcess()) return;
    const QSize logo(100, 100);
    WriteLogoFrames(Path(""), logo);
    // A 21 x 21 square around (30, 20) and a column of 9 pixels at x 50: 13680 / 450 = 30.4.
    const QImage corner = SkinPicture({QRect(QPoint(20, 10), QPoint(40, 30)), QRect(QPoint(50, 16), QPoint(50, 24))});
    const auto pastedAt = [&](const QImage& camera, long ticksBefore, QPoint at) {
        const ProgramRun run = RunProgram(CameraShowing(camera), [&](RunningProgram& program) {
            TickWithLogoOn(program, camera);
            const QImage logoFrame = LogoFrame(FrameAfter(ticksBefore + program.Ticks()), logo);
            EXPECT_EQ("", Difference(program.Display(), Pasted(camera, logoFrame, at), kShown));
            program.Click(IDCANCEL);
        });
        EXPECT_TRUE(run.scenarioRan);
        return run.ticks;
    };
    // 30.4 - 50 = -19.6 gives -19.
    const long ticks = pastedAt(corner, 0, QPoint(-19, -30));
    // Without skin the centroid is (-1, -1): the logo's lower right part shows in the corner.
    pastedAt(SkinPicture({}), ticks, QPoint(-51, -51));
}

TEST_F(PipelineTest, SnapshotsAreNumberedFromZeroAndAFailedWriteUsesUpItsNumber)
{
    if (RanInFreshProcess()) return;
    const QSize logo(100, 80);
    WriteLogoFrames(Path(""), logo);
    // A folder for each number; the second snapshot's is missing, so it cannot be written.
    WriteConfig("shot%d/s.bmp\n");
    for (const char* folder : {"shot0", "shot2", "shot3", "shot4"}) std::filesystem::create_directory(Path(folder));
    const QImage camera = CentredSkin();
    QImage expected;
    RunProgram(CameraShowing(camera), [&](RunningProgram& program) {
        ASSERT_EQ(0, program.Ticks());
        program.Click(IDC_STOP);
        program.Click(IDC_SNAPSHOT);  // before the first tick
        program.Click(IDC_START);
        TickWithLogoOn(program, camera);
        expected = Pasted(camera, LogoFrame(FrameAfter(program.Ticks()), logo), QPoint(110, 80));
        EXPECT_EQ("", Difference(program.Display(), expected, kShown));
        // While stopped, each snapshot writes the frame shown, under the next number.
        program.Click(IDC_SNAPSHOT);
        program.Click(IDC_SNAPSHOT);
        program.Click(IDC_SNAPSHOT);
        program.Click(IDCANCEL);
    });
    const QRect whole(0, 0, kPictureWidth, kPictureHeight);
    QImage black(whole.size(), QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_EQ("", Difference(LoadBmp(Path("shot0/s.bmp")), black, whole)) << "the display image starts black";
    EXPECT_FALSE(std::filesystem::exists(Path("shot1")));
    EXPECT_EQ("", Difference(LoadBmp(Path("shot2/s.bmp")), expected, whole));
    EXPECT_EQ("", Difference(LoadBmp(Path("shot3/s.bmp")), expected, whole));
    EXPECT_FALSE(std::filesystem::exists(Path("shot4/s.bmp")));
}

}  // namespace
}  // namespace app_test
