// The dialog framework on a real dialog on Qt's offscreen platform: DoModal and its loop,
// message maps, data exchange, the ways a dialog ends, nested dialogs, painting, the
// application object and the program's entry.
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QWidget>

#include "framework_fixture.h"
#include "desktop.h"

namespace mfc_test {
namespace {

using namespace test_resources;

using Events = std::vector<std::string>;

QImage Picture(HWND hwnd)
{
    return win32::WindowWidget(hwnd)->grab().toImage();
}

// The window's own picture, without its child windows.
QImage OwnPicture(HWND hwnd)
{
    QWidget* widget = win32::WindowWidget(hwnd);
    QImage image(widget->size(), QImage::Format_RGB32);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

TEST_F(FrameworkTest, DoModalInitialisesBeforeShowingAndReturnsTheEndResult)
{
    CRecordingDialog dialog;
    HWND window = nullptr;
    dialog.onInit = [&](CRecordingDialog& self) {
        window = self.m_hWnd;
        // Data exchange bound the controls to their members.
        EXPECT_EQ(::GetDlgItem(self.m_hWnd, kStop), self.m_stopButton.m_hWnd);
        EXPECT_EQ(&self.m_startButton, CWnd::FromHandle(::GetDlgItem(self.m_hWnd, kStart)));
        EXPECT_EQ(&self.m_displayArea, self.GetDlgItem(kDisplay));
        // Controls without a member get a temporary object, the same one within a handler.
        CWnd* intercept = self.GetDlgItem(kIntercept);
        ASSERT_NE(nullptr, intercept);
        EXPECT_EQ(::GetDlgItem(self.m_hWnd, kIntercept), intercept->m_hWnd);
        EXPECT_EQ(intercept, self.GetDlgItem(kIntercept));
        EXPECT_EQ(nullptr, self.GetDlgItem(4242));
    };
    const Script script({
        [&] { return window && ::IsWindowVisible(window); },
        Do([&] { dialog.EndDialog(7); }),
    });
    EXPECT_EQ(7, dialog.DoModal());
    ASSERT_GE(dialog.events.size(), 2u);
    EXPECT_EQ(Events({"init", "paint"}), Events(dialog.events.begin(), dialog.events.begin() + 2));
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(nullptr, dialog.m_hWnd);
    EXPECT_EQ(nullptr, dialog.m_startButton.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(window));
}

TEST_F(FrameworkTest, EndingInOnInitDialogReturnsAtOnceWithoutShowing)
{
    CRecordingDialog dialog;
    bool everShown = false;
    dialog.onInit = [&](CRecordingDialog& self) {
        self.SetTimer(0, 10, nullptr);
        self.EndDialog(IDCANCEL);
        everShown = win32::WindowWidget(self.m_hWnd)->isVisible();
    };
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_FALSE(everShown);
    EXPECT_EQ(Events({"init"}), dialog.events);  // no paint, no tick
    EXPECT_EQ(0, dialog.ticks);

    CDialog missing(4242);
    EXPECT_EQ(-1, missing.DoModal());
}

TEST_F(FrameworkTest, MessageMapRoutesButtonsTimersAndCommandsToTheApplication)
{
    CRecordingDialog dialog;
    dialog.onInit = [](CRecordingDialog& self) {
        self.SetTimer(0, 10, nullptr);
        self.m_startButton.EnableWindow(FALSE);
    };
    const Script script({
        Do([&] { Click(dialog.m_hWnd, kStart); }),  // disabled: nothing happens
        [&] { return dialog.ticks >= 3; }, Do([&] { dialog.SendMessage(WM_COMMAND, MAKEWPARAM(kStart, BN_CLICKED)); }),
        Do([&] { Click(dialog.m_hWnd, kSnapshot); }),
        Do([&] { Click(dialog.m_hWnd, kIntercept); }),  // no entry anywhere: ignored
        Do([&] { dialog.SendMessage(WM_COMMAND, kAppCommand); }), Do([&] { dialog.SendMessage(WM_COMMAND, ID_HELP); }),
        Do([&] { EXPECT_EQ(reinterpret_cast<LRESULT>(dialog.m_hIcon), dialog.SendMessage(WM_QUERYDRAGICON)); }),
        Do([&] { EXPECT_EQ(reinterpret_cast<LRESULT>(dialog.m_hIcon), dialog.SendMessage(WM_GETICON, ICON_SMALL)); }),
        Do([&] { Click(dialog.m_hWnd, IDCANCEL); }),  // Exit
    });
    dialog.m_hIcon = app.LoadIcon(kIcon);
    ASSERT_NE(nullptr, dialog.m_hIcon);
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    Events commands;
    for (const std::string& event : dialog.events) {
        if (event != "paint" && event != "init") commands.push_back(event);
    }
    EXPECT_EQ(Events({"start", "snapshot", "cancel"}), commands);
    EXPECT_EQ(Events({"app command"}), app.events);
    EXPECT_GE(dialog.ticks, 3);
}

TEST_F(FrameworkTest, EscapeEnterAndTheCloseBoxEndTheDialogThroughItsHandlers)
{
    const auto run = [](std::function<void(HWND)> act) {
        CRecordingDialog dialog;
        const Script script({
            [&] { return dialog.m_hWnd && ::IsWindowVisible(dialog.m_hWnd); },
            Do([&] { act(dialog.m_hWnd); }),
        });
        const INT_PTR result = dialog.DoModal();
        Events ends;
        for (const std::string& event : dialog.events) {
            if (event != "paint" && event != "init") ends.push_back(event);
        }
        return std::make_pair(result, ends);
    };
    const auto key = [](HWND target, Qt::Key which) {
        QKeyEvent press(QEvent::KeyPress, which, Qt::NoModifier);
        QCoreApplication::sendEvent(win32::WindowWidget(target), &press);
    };
    EXPECT_EQ(std::make_pair(INT_PTR{IDCANCEL}, Events{"cancel"}),
              run([&](HWND dialog) { key(::GetDlgItem(dialog, kSnapshot), Qt::Key_Escape); }));
    EXPECT_EQ(std::make_pair(INT_PTR{IDOK}, Events{"ok"}), run([&](HWND dialog) { key(dialog, Qt::Key_Return); }));
    EXPECT_EQ(std::make_pair(INT_PTR{IDCANCEL}, Events({"syscommand 61536", "cancel"})),
              run([](HWND dialog) { win32::WindowWidget(dialog)->close(); }));
}

TEST_F(FrameworkTest, VersionEntryOpensANestedDialogWhileTheMainTimerRuns)
{
    CRecordingDialog dialog;
    CDialog* version = nullptr;
    int ticksBefore = 0;
    bool mainEnabledDuringVersion = true;
    dialog.onInit = [](CRecordingDialog& self) {
        self.SetTimer(0, 10, nullptr);
        CMenu* menu = self.GetSystemMenu(FALSE);
        ASSERT_NE(nullptr, menu);
        CString text;
        EXPECT_TRUE(text.LoadString(kVersionMenuString));
        EXPECT_FALSE(text.IsEmpty());
        EXPECT_TRUE(menu->AppendMenu(MF_SEPARATOR));
        EXPECT_TRUE(menu->AppendMenu(MF_STRING, 16, text));
    };
    dialog.showVersion = [&] {
        CDialog about(kVersionDialog);
        version = &about;
        ticksBefore = dialog.ticks;
        EXPECT_EQ(IDOK, about.DoModal());
        version = nullptr;
    };
    app.m_pMainWnd = &dialog;
    const Script script({
        Do([&] { dialog.PostMessage(WM_SYSCOMMAND, 17); }),
        [&] { return version && version->m_hWnd && ::IsWindowVisible(version->m_hWnd); },
        [&] { return dialog.ticks >= ticksBefore + 3; },
        Do([&] { mainEnabledDuringVersion = dialog.IsWindowEnabled(); }),
        Do([&] { Click(version->m_hWnd, IDOK); }),
        [&] { return version == nullptr; },
        Do([&] { EXPECT_TRUE(dialog.IsWindowEnabled()); }),
        Do([&] { dialog.SendMessage(WM_SYSCOMMAND, 0xF000); }),  // a desktop command: default processing
        Do([&] { dialog.EndDialog(IDCANCEL); }),
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_FALSE(mainEnabledDuringVersion);
    Events commands;
    for (const std::string& event : dialog.events) {
        if (event == "version" || event.rfind("syscommand", 0) == 0) commands.push_back(event);
    }
    EXPECT_EQ(Events({"version", "syscommand 61440"}), commands);
    // The main window's end ends the application's loop.
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(FrameworkTest, PaintDrawsTheIconWhenMinimisedAndTheDisplayOtherwise)
{
    CRecordingDialog dialog;
    dialog.m_hIcon = app.LoadIcon(kIcon);
    // The display control gets a 2 x 2 red and green picture at its corner.
    dialog.paintDisplay = [](CRecordingDialog& self) {
        const uint8_t bits[8] = {0, 0, 255, 0, 255, 0, 0, 0};  // one bottom-up row of 2, then padding
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 1, 1, 24, BI_RGB, 8, 0, 0, 0, 0};
        CWnd* display = self.GetDlgItem(kDisplay);
        CDC* dc = display->GetDC();
        ::StretchDIBits(dc->GetSafeHdc(), 0, 0, 2, 1, 0, 0, 2, 1, bits, &info, DIB_RGB_COLORS, SRCCOPY);
        display->ReleaseDC(dc);
    };
    QImage minimised;
    QImage restored;
    const Script script({
        [&] { return dialog.m_hWnd && ::IsWindowVisible(dialog.m_hWnd) && dialog.events.size() >= 2; },
        Do([&] { dialog.ShowWindow(SW_MINIMIZE); }),
        [&] { return dialog.events.back() == "paint iconic"; },
        Do([&] { minimised = OwnPicture(dialog.m_hWnd); }),
        Do([&] { dialog.SendMessage(WM_SYSCOMMAND, SC_RESTORE); }),
        [&] { return dialog.events.back() == "paint"; },
        Do([&] { restored = Picture(dialog.m_displayArea.m_hWnd); }),
        Do([&] { dialog.EndDialog(IDOK); }),
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    // Centred: x = (275 - 32 + 1) / 2 = 122, y = (263 - 32 + 1) / 2 = 116.
    ASSERT_FALSE(minimised.isNull());
    EXPECT_EQ(qRgb(255, 255, 0), minimised.pixel(122 + 16, 116 + 16));
    EXPECT_EQ(qRgb(0, 0, 0), minimised.pixel(122 + 16, 116 + 1));
    ASSERT_FALSE(restored.isNull());
    EXPECT_EQ(qRgb(255, 0, 0), restored.pixel(0, 0));
    EXPECT_EQ(qRgb(0, 255, 0), restored.pixel(1, 0));
}

TEST_F(FrameworkTest, StringsLoadIntoCString)
{
    CString text;
    EXPECT_TRUE(text.LoadString(kVersionMenuString));
    EXPECT_EQ(std::string("vosk のﾊﾞｰｼﾞｮﾝ情報(&A)..."), static_cast<LPCTSTR>(text));
    EXPECT_FALSE(text.LoadString(kEmptyString));
    EXPECT_TRUE(text.IsEmpty());
    text = "x";
    EXPECT_FALSE(text.LoadString(4242));
    EXPECT_EQ(0, text.GetLength());
    EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandleA(nullptr));
    EXPECT_EQ(&app, AfxGetApp());
}

TEST(AfxWinMainTest, RunsInitInstanceAndEndsWhenItReturnsFalse)
{
    char name[] = "quenmire";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(-1, AfxWinMain(1, argv));  // no application object
    {
        CTestApp app;
        app.initInstance = [](CTestApp& self) {
            CRecordingDialog dialog;
            self.m_pMainWnd = &dialog;
            const Script script({Do([&] { Click(dialog.m_hWnd, IDCANCEL); })});
            self.events.push_back("modal " + std::to_string(dialog.DoModal()));
            return FALSE;
        };
        EXPECT_EQ(0, AfxWinMain(1, argv));
        EXPECT_EQ(Events({"modal 2", "exit"}), app.events);
        EXPECT_EQ(nullptr, app.m_pMainWnd);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {}
    }
    {
        CTestApp app;
        app.initInstance = [](CTestApp&) {
            PostQuitMessage(5);
            return TRUE;
        };
        EXPECT_EQ(5, AfxWinMain(1, argv));  // Run until WM_QUIT, then ExitInstance
        EXPECT_EQ(Events({"exit"}), app.events);
    }
}

}  // namespace
}  // namespace mfc_test
