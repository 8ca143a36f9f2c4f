// The logo placement switched through the system menu while the program runs: on faces
// the logo covers the portrait's face, back on skin it is the skin placement again.
#include <QImage>

#include "program_test.h"
// The program's types first: the settings use them.
#include "app/pipeline_settings.h"
#include "app/res/resource.h"
#include "image/skin_overlay.h"

namespace app_test {
namespace {

// The portrait of the labelled pictures: its face is the box at 111, 45, 54 x 58.
const QRect kFace(111, 45, 54, 58);

bool IsSkinColour(QRgb rgb)
{
    const BgrPixel pixel{static_cast<uint8_t>(qBlue(rgb)), static_cast<uint8_t>(qGreen(rgb)),
                         static_cast<uint8_t>(qRed(rgb))};
    YCbCrPixel c{};
    BgrToYCbCr(&pixel, &c);
    return c.y > kSkinLower.y && c.y < kSkinUpper.y && c.cb > kSkinLower.cb && c.cb < kSkinUpper.cb &&
           c.cr > kSkinLower.cr && c.cr < kSkinUpper.cr;
}

// The box around every pixel where shown differs from the camera's picture: the logos.
QRect Changed(const QImage& shown, const QImage& camera)
{
    QRect changed;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 275; ++x) {
            if (shown.pixel(x, y) != camera.pixel(x, y)) changed |= QRect(x, y, 1, 1);
        }
    }
    return changed;
}

int SkinInFace(const QImage& shown)
{
    int skin = 0;
    for (int y = kFace.top(); y <= kFace.bottom(); ++y) {
        for (int x = kFace.left(); x <= kFace.right(); ++x) skin += IsSkinColour(shown.pixel(x, y)) ? 1 : 0;
    }
    return skin;
}

class LocateSwitchTest : public ProgramTest {};

TEST_F(LocateSwitchTest, TheSystemMenuMovesTheLogoFromSkinToFacesAndBack)
{
#if defined(__SANITIZE_ADDRESS__)
    // Instrumented, building the detector and the first detection outlast the dialog run's
    // time limit; the locator's and the detector's own tests run under the sanitizers.
    GTEST_SKIP() << "the face detector is too slow under the sanitizers for a dialog run";
#endif
    const QImage portrait = QImage(QM_FACES_DIR "/astronaut.jpg").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(QSize(320, 240), portrait.size());
    WriteLogoFrames(Path(""), QSize(100, 100));
    const ProgramRun run = RunProgram(CameraShowing(portrait), [&](RunningProgram& program) {
        ASSERT_TRUE(CameraShows(program, portrait)) << "the camera's picture never showed";
        program.Click(IDC_STOP);
        program.Click(IDC_INTERCEPT);
        program.Tick();
        const QImage bySkin = program.Display();
        EXPECT_GT(SkinInFace(bySkin), kFace.width() * kFace.height() / 20) << "the skin placement leaves skin showing";

        SendMessageA(program.Dialog(), WM_SYSCOMMAND, IDM_LOCATE_FACE, 0);
        EXPECT_TRUE(program.RunUntil(
            [&] {
                program.Tick();
                return SkinInFace(program.Display()) < kFace.width() * kFace.height() / 50;
            },
            std::chrono::seconds(20)))
            << "no logo came over the face";  // the detector is built first

        EXPECT_NE(Changed(bySkin, portrait), Changed(program.Display(), portrait));

        SendMessageA(program.Dialog(), WM_SYSCOMMAND, IDM_LOCATE_SKIN, 0);
        program.Tick();
        EXPECT_EQ(Changed(bySkin, portrait), Changed(program.Display(), portrait)) << "back where skin puts it";
        program.Click(IDCANCEL);
    });
    EXPECT_TRUE(run.scenarioRan);
}

}  // namespace
}  // namespace app_test
