// The main dialog as a user meets it: the Start and Stop buttons, the version entry,
// painting, the ways the program ends, the device question, and a screenshot.
#include <dshow.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

#include <algorithm>
#include <filesystem>

#include "app/res/resource.h"
#include "image/skin_overlay.h"
#include "desktop.h"
#include "program_test.h"

namespace app_test {
namespace {

using namespace std::chrono_literals;

using Events = std::vector<std::string>;

// Long enough for several ticks of the 30 ms timer.
constexpr auto kSeveralTicks = 200ms;

class DialogTest : public ProgramTest {};

// The names of the files opened in one folder while it is watched.
class OpenedFiles {
public:
    explicit OpenedFiles(const std::string& folder) : fd_(inotify_init1(IN_NONBLOCK))
    {
        EXPECT_GE(inotify_add_watch(fd_, folder.c_str(), IN_OPEN), 0) << folder;
    }
    ~OpenedFiles() { close(fd_); }
    OpenedFiles(const OpenedFiles&) = delete;
    OpenedFiles& operator=(const OpenedFiles&) = delete;

    // Those opened since the last call.
    std::set<std::string> Take() const
    {
        std::set<std::string> names;
        alignas(inotify_event) char buffer[4096];
        ssize_t length;
        while ((length = read(fd_, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0) names.insert(event->name);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return names;
    }

private:
    int fd_;
};

// What can be told of the capture system from outside: whether the camera's file is
// open, and whether COM is initialised on the thread.
std::string CaptureState(const std::filesystem::path& cameraFile)
{
    bool open = false;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        open = open || std::filesystem::read_symlink(entry.path(), error) == cameraFile;
    }
    ICreateDevEnum* devices = nullptr;
    const HRESULT created = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                             reinterpret_cast<void**>(&devices));
    if (devices != nullptr) devices->Release();
    return std::string(open ? "camera open" : "camera closed") +
           (created == CO_E_NOTINITIALIZED ? ", COM down" : ", COM up");
}

// Pixels inside the skin box, counted as the pipeline's mask would, outside `except`.
int SkinPixels(const QImage& picture, const QRect& except)
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (except.contains(x, y)) continue;
            const QRgb rgb = picture.pixel(x, y);
            const BgrPixel pixel{static_cast<uint8_t>(qBlue(rgb)), static_cast<uint8_t>(qGreen(rgb)),
                                 static_cast<uint8_t>(qRed(rgb))};
            YCbCrPixel colour;
            BgrToYCbCr(&pixel, &colour);
            count += colour.y > 0 && colour.y < 255 && colour.cb > 77 && colour.cb < 127 && colour.cr > 133 &&
                     colour.cr < 177;
        }
    }
    return count;
}

// Where the program's logo shows its face colour.
QRect LogoFace(const QImage& picture)
{
    constexpr QRgb kLogoFaceColour = qRgb(255, 200, 40);
    QRect face;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixel(x, y) == kLogoFaceColour) face |= QRect(x, y, 1, 1);
        }
    }
    return face;
}

// The window's own picture, without its child windows.
QImage OwnPicture(HWND hwnd)
{
    QWidget* widget = win32::WindowWidget(hwnd);
    QImage image(widget->size(), QImage::Format_RGB32);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

Events Matching(const Events& events, std::initializer_list<const char*> prefixes)
{
    Events found;
    for (const std::string& event : events) {
        for (const char* prefix : prefixes) {
            if (event.rfind(prefix, 0) == 0) found.push_back(event);
        }
    }
    return found;
}

TEST_F(DialogTest, StopStartStopSwitchesTheTimerAndTheButtons)
{
    const auto running = [](const RunningProgram& program) {
        EXPECT_FALSE(program.Enabled(IDC_START));
        EXPECT_TRUE(program.Enabled(IDC_STOP));
        const long ticks = program.Ticks();
        EXPECT_TRUE(program.RunUntil([&] { return program.Ticks() >= ticks + 2; })) << "the timer is not running";
    };
    const auto stopped = [](const RunningProgram& program) {
        EXPECT_TRUE(program.Enabled(IDC_START));
        EXPECT_FALSE(program.Enabled(IDC_STOP));
        const long ticks = program.Ticks();
        program.RunFor(kSeveralTicks);
        EXPECT_EQ(ticks, program.Ticks()) << "the timer is still running";
    };
    const ProgramRun run = RunProgram(CameraShowing(SkinPicture({})), [&](RunningProgram& program) {
        running(program);
        program.Click(IDC_STOP);
        stopped(program);
        program.Command(IDC_STOP);  // the disabled button's command: nothing changes
        stopped(program);
        program.Click(IDC_START);
        running(program);
        program.Command(IDC_START);
        running(program);
        program.Click(IDC_STOP);
        stopped(program);
        // Never disabled, whatever the state.
        EXPECT_TRUE(program.Enabled(IDC_INTERCEPT));
        EXPECT_TRUE(program.Enabled(IDC_SNAPSHOT));
        EXPECT_TRUE(program.Enabled(IDCANCEL));
        program.Click(IDCANCEL);
    });
    EXPECT_TRUE(run.scenarioRan);
    EXPECT_EQ(0, run.exitCode);
}

TEST_F(DialogTest, VersionEntryAndItsNeighboursOpenTheVersionDialogAndDesktopCommandsDoNot)
{
    const ProgramRun run = RunProgram(CameraShowing(SkinPicture({})), [](RunningProgram& program) {
        const HWND main = program.Dialog();
        program.WhenDialogShown([&](HWND version) {
            EXPECT_FALSE(IsWindowEnabled(main));  // modal over the main dialog
            const long ticks = program.Ticks();
            EXPECT_TRUE(program.RunUntil([&] { return program.Ticks() >= ticks + 2; }))
                << "the main dialog's timer stops while the version dialog is open";
            SendMessageA(GetDlgItem(version, IDOK), BM_CLICK, 0, 0);
        });
        const auto closed = [&](const char* command) {
            return [&program, command] {
                return std::count(program.Events().begin(), program.Events().end(), command) == 1;
            };
        };

        // The system menu's entry, offered on a right click.
        QWidget* window = win32::WindowWidget(main);
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(100, 100), window->mapToGlobal(QPoint(100, 100)));
        QCoreApplication::sendEvent(window, &rightClick);
        QMenu* menu = window->findChild<QMenu*>();
        ASSERT_NE(nullptr, menu);
        QStringList entries;
        for (const QAction* action : menu->actions()) entries << action->text();
        ASSERT_EQ(QStringList({"&Close\tAlt+F4", "", QString::fromUtf8("vosk のﾊﾞｰｼﾞｮﾝ情報(&A)..."), "Record", "",
                               "Logo by skin colour", "Logo on every face"}),
                  entries);
        menu->actions()[2]->trigger();
        menu->hide();
        EXPECT_TRUE(program.RunUntil(closed("system command 16")));
        EXPECT_TRUE(IsWindowEnabled(main));

        // The low four bits do not count; the desktop's own commands never open it.
        PostMessageA(main, WM_SYSCOMMAND, 17, 0);
        EXPECT_TRUE(program.RunUntil(closed("system command 17")));
        SendMessageA(main, WM_SYSCOMMAND, 0xF000, 0);
        SendMessageA(main, WM_SYSCOMMAND, 0xF010, 0);
        EXPECT_TRUE(IsWindowEnabled(main));
        program.Click(IDCANCEL);
    });
    EXPECT_TRUE(run.scenarioRan);
    const std::string version = "dialog " + std::string("voskのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(Events({version, "system command 16", version, "system command 17", "system command 61440",
                      "system command 61456"}),
              Matching(run.events, {"dialog", "system command"}));
}

TEST_F(DialogTest, PaintCopiesThePictureOneToOneAtTheControlsTopLeft)
{
    const QImage picture = CodedPicture();
    const ProgramRun run = RunProgram(CameraShowing(picture), [&](RunningProgram& program) {
        ASSERT_TRUE(CameraShows(program, picture)) << "the camera's picture never showed";
        program.Click(IDC_STOP);
        for (const QSize size : {QSize(275, 240), QSize(320, 200), QSize(400, 300)}) {
            SCOPED_TRACE(testing::Message() << "display control of " << size.width() << " x " << size.height());
            MoveWindow(program.Control(IDC_DISPLAY), 0, 0, size.width(), size.height(), TRUE);
            program.HandlePending();  // the control's own painting
            const QImage before = program.Display();
            program.Tick();
            const QImage shown = program.Display();
            ASSERT_EQ(size, shown.size());
            // The picture's top-left part, never scaled; the rest as the control painted it.
            const QRect copied = QRect(0, 0, 320, 240) & shown.rect();
            EXPECT_EQ("", Difference(shown, picture, copied));
            QImage expected = before;
            for (int y = 0; y < copied.height(); ++y) {
                for (int x = 0; x < copied.width(); ++x) expected.setPixel(x, y, picture.pixel(x, y));
            }
            EXPECT_EQ("", Difference(shown, expected, shown.rect()));
        }
        program.Click(IDCANCEL);
    });
    EXPECT_TRUE(run.scenarioRan);
}

TEST_F(DialogTest, MinimisedDialogShowsTheProgramsIconCentred)
{
    // (275 - 32 + 1) / 2 = 122 and (263 - 32 + 1) / 2 = 116; the icon's dark red mouth.
    const QPoint mouth(122 + 16, 116 + 16);
    const ProgramRun run = RunProgram(CameraShowing(SkinPicture({})), [&](RunningProgram& program) {
        const HWND dialog = program.Dialog();
        const LRESULT icon = SendMessageA(dialog, WM_GETICON, ICON_BIG, 0);
        EXPECT_NE(0, icon);
        EXPECT_EQ(icon, SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(icon, SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0));
        ShowWindow(dialog, SW_MINIMIZE);
        EXPECT_TRUE(program.RunUntil([&] { return OwnPicture(dialog).pixel(mouth) == qRgb(140, 20, 30); }));
        EXPECT_EQ(qRgb(255, 210, 40), OwnPicture(dialog).pixel(mouth + QPoint(0, 4)));  // its chin
        program.Click(IDCANCEL);
    });
    EXPECT_TRUE(run.scenarioRan);
}

TEST_F(DialogTest, ExitEscapeTheCloseBoxAndOkEndTheProgramInTheWrittenOrder)
{
    const ProgramSetup camera = CameraShowing(SkinPicture({}));
    const std::filesystem::path cameraFile = std::filesystem::canonical(Path("camera.png"));
    const auto endBy = [&](const std::function<void(RunningProgram&)>& end) {
        const ProgramRun run = RunProgram(camera, [&](RunningProgram& program) {
            EXPECT_TRUE(program.RunUntil([&] { return program.Ticks() >= 2; }));
            program.WhenWindowGone([&] { program.Note(CaptureState(cameraFile)); });
            program.Note("end");
            end(program);
        });
        Events events(std::find(run.events.begin(), run.events.end(), "end"), run.events.end());
        events.push_back("returned " + std::to_string(run.exitCode) + ", " + CaptureState(cameraFile));
        return events;
    };
    // The dialog ends, its window goes with the timer, then the capture system, then the
    // program returns at once.
    const Events ended = {"end", "command 2", "window gone", "camera open, COM up",
                          "returned 0, camera closed, COM down"};
    EXPECT_EQ(ended, endBy([](RunningProgram& program) { program.Click(IDCANCEL); }));
    EXPECT_EQ(ended, endBy([](RunningProgram& program) {
                  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                  QCoreApplication::sendEvent(win32::WindowWidget(program.Control(IDC_SNAPSHOT)), &escape);
              }));
    EXPECT_EQ(Events({"end", "command 2", "system command 61536", "window gone", "camera open, COM up",
                      "returned 0, camera closed, COM down"}),
              endBy([](RunningProgram& program) { win32::WindowWidget(program.Dialog())->close(); }));
    // IDOK, which Enter gives where no button takes it, ends it too.
    EXPECT_EQ(Events({"end", "command 1", "window gone", "camera open, COM up", "returned 0, camera closed, COM down"}),
              endBy([](RunningProgram& program) { program.Command(IDOK); }));
}

TEST_F(DialogTest, WithoutAnAcceptedDeviceTheProgramEndsBeforeLoadingTheLogo)
{
    WriteConfig("shot%d.bmp\n");
    WriteLogoFrames(Path(""), QSize(10, 10));
    ProgramSetup declined = CameraShowing(SkinPicture({}));
    declined.answers = {IDNO};
    const OpenedFiles folder(Path(""));
    const OpenedFiles logo(Path("images"));
    const auto ended = [&](const ProgramRun& run) {
        EXPECT_EQ(0, run.exitCode);
        EXPECT_FALSE(run.scenarioRan) << "the dialog was shown";
        EXPECT_EQ(0, run.ticks);
        EXPECT_EQ(Events({"main dialog", "window gone"}), run.events);
        EXPECT_EQ(std::set<std::string>({"vosk.cfg"}), folder.Take());
        EXPECT_EQ(std::set<std::string>(), logo.Take());
    };

    const ProgramRun declinedRun = RunProgram(declined, [](RunningProgram&) {});
    ASSERT_EQ(1u, declinedRun.boxes.size());
    EXPECT_EQ(declined.sources[0], declinedRun.boxes[0].text);
    EXPECT_EQ("このデバイスを使用しますか？", declinedRun.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), declinedRun.boxes[0].type);
    ended(declinedRun);

    const ProgramRun noDeviceRun = RunProgram(ProgramSetup{}, [](RunningProgram&) {});
    ASSERT_EQ(1u, noDeviceRun.boxes.size());
    EXPECT_EQ("ビデオキャプチャデバイスが存在しません", noDeviceRun.boxes[0].text);
    EXPECT_EQ("ERROR", noDeviceRun.boxes[0].caption);
    ended(noDeviceRun);

    // With the device accepted, every frame is read.
    declined.answers = {IDYES};
    const ProgramRun acceptedRun = RunProgram(declined, [](RunningProgram& program) { program.Click(IDCANCEL); });
    EXPECT_TRUE(acceptedRun.scenarioRan);
    EXPECT_EQ(60u, logo.Take().size());
}

TEST_F(DialogTest, ScreenshotShowsTheTestCameraWithTheLogoOverTheFace)
{
    if (RanInFreshProcess()) return;  // the logo's half size is taken on the process's first tick
    std::filesystem::copy(QM_LOGO_DIR, Path("images"));
    ProgramSetup testCamera;
    testCamera.testCamera = true;
    const ProgramRun run = RunProgram(testCamera, [&](RunningProgram& program) {
        ASSERT_TRUE(program.RunUntil([&] { return SkinPixels(program.Display(), QRect()) > 1000; }))
            << "no face showed";
        program.Click(IDC_INTERCEPT);
        // The head moves; wait until the whole logo is in view, then the face must be under it.
        const auto logoOverFace = [&] {
            const QImage shown = program.Display();
            const QRect logoFace = LogoFace(shown);
            return logoFace.width() >= 80 && shown.rect().adjusted(1, 1, -1, -1).contains(logoFace) &&
                   SkinPixels(shown, logoFace.adjusted(-8, -8, 8, 8)) < 100;
        };
        EXPECT_TRUE(program.RunUntil(logoOverFace, std::chrono::seconds(10)));
        EXPECT_TRUE(win32::SaveWindowPng(program.Dialog(), QM_SCREENSHOT));
        program.Click(IDCANCEL);
    });
    EXPECT_TRUE(run.scenarioRan);
    EXPECT_EQ(QSize(275, 263), QImage(QM_SCREENSHOT).size());
}

}  // namespace
}  // namespace app_test
