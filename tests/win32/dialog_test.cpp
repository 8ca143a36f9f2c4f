// Dialogs from templates: layout in dialog units, fonts and texts, initialisation and
// showing, and desktop input (clicks, keys, the close box) turned into messages.
#include <QCoreApplication>
#include <QFontInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

#include "dialog_fixture.h"

namespace win32_test {
namespace {

using test_support::PumpPending;
using namespace test_resources;

QRect Geometry(HWND hwnd)
{
    return win32::WindowWidget(hwnd)->geometry();
}

void PressKey(HWND target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(win32::WindowWidget(target), &event);
}

// Runs the queue as a dialog's loop does.
void PumpDialog(HWND dialog)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &message)) DispatchMessageA(&message);
    }
}

TEST_F(DialogTest, MainTemplateLaysOutInPixelsFromDialogUnits)
{
    const HWND dialog = Create();
    ASSERT_NE(nullptr, dialog);
    RECT client;
    ASSERT_TRUE(GetClientRect(dialog, &client));
    EXPECT_EQ(275, client.right);   // 183 units: 274.5 rounds up
    EXPECT_EQ(263, client.bottom);  // 175 units: 262.5 rounds up
    ASSERT_TRUE(GetClientRect(GetDlgItem(dialog, kDisplay), &client));
    EXPECT_EQ(275, client.right);
    EXPECT_EQ(240, client.bottom);
    EXPECT_EQ(QPoint(0, 0), Geometry(GetDlgItem(dialog, kDisplay)).topLeft());

    // Buttons at y 161 units, 14 high: rows 242 to 262, just inside the client area.
    EXPECT_EQ(QRect(5, 242, 48, 21), Geometry(GetDlgItem(dialog, kStart)));
    EXPECT_EQ(QRect(54, 242, 48, 21), Geometry(GetDlgItem(dialog, kStop)));
    EXPECT_EQ(QRect(104, 242, 62, 21), Geometry(GetDlgItem(dialog, kIntercept)));
    EXPECT_EQ(QRect(167, 242, 62, 21), Geometry(GetDlgItem(dialog, kSnapshot)));
    EXPECT_EQ(QRect(230, 242, 42, 21), Geometry(GetDlgItem(dialog, IDCANCEL)));

    EXPECT_EQ(kDisplay, GetDlgCtrlID(GetDlgItem(dialog, kDisplay)));
    EXPECT_EQ(nullptr, GetDlgItem(dialog, 4242));
    EXPECT_EQ(dialog, GetParent(GetDlgItem(dialog, kStart)));
}

TEST_F(DialogTest, TextsAreUtf8AndTheTemplateFontIsAJapaneseGothic)
{
    const HWND main = Create();
    const HWND version = Create(kVersionDialog, main);
    char text[64];
    EXPECT_EQ(8, GetWindowTextA(main, text, sizeof text));
    EXPECT_STREQ("Quenmire", text);
    GetWindowTextA(version, text, sizeof text);
    EXPECT_STREQ("voskのﾊﾞｰｼﾞｮﾝ情報", text);
    // Cut to whole characters: "vosk" and the 3-byte の do not fit in 6 bytes.
    EXPECT_EQ(4, GetWindowTextA(version, text, 6));
    EXPECT_STREQ("vosk", text);
    GetWindowTextA(GetDlgItem(main, kIntercept), text, sizeof text);
    EXPECT_STREQ("Intercepter", text);
    EXPECT_EQ(QStringLiteral("Intercepter"),
              static_cast<QPushButton*>(win32::WindowWidget(GetDlgItem(main, kIntercept)))->text());

    const QFontInfo font(win32::WindowWidget(GetDlgItem(main, kStart))->font());
    EXPECT_EQ(QStringLiteral("IPAPGothic"), font.family());
    EXPECT_EQ(12, font.pixelSize());  // 9 points at 96 dots per inch
}

TEST_F(DialogTest, InitialisesBeforeShowingAndShowsOnlyWhatTheTemplateMakesVisible)
{
    bool visibleDuringInit = true;
    Answer() = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) visibleDuringInit = IsWindowVisible(hwnd);
        return message == WM_INITDIALOG;
    };
    const HWND main = Create();
    ASSERT_EQ(1u, Logged({WM_INITDIALOG}).size());
    EXPECT_FALSE(visibleDuringInit);
    EXPECT_EQ(GetDlgItem(main, kStart), reinterpret_cast<HWND>(Logged({WM_INITDIALOG})[0].wParam));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(main, kDisplay)));
    EXPECT_TRUE(test_support::PumpUntil([&] { return GetFocus() == GetDlgItem(main, kStart); }));

    const HWND version = Create(kVersionDialog, main);  // no WS_VISIBLE in its template
    EXPECT_FALSE(IsWindowVisible(version));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(version, IDOK)));
    ShowWindow(version, SW_SHOWNORMAL);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(version, IDOK)));
}

TEST_F(DialogTest, DialogEndedDuringInitialisationIsNeverShown)
{
    Answer() = [](HWND hwnd, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) EndDialog(hwnd, IDCANCEL);
        return TRUE;
    };
    const HWND main = Create();
    ASSERT_NE(nullptr, main);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_FALSE(win32::WindowWidget(main)->isVisible());
    EXPECT_FALSE(EndDialog(GetDlgItem(main, kStart), 1));  // not a dialog
}

TEST_F(DialogTest, MissingTemplatesAndUnknownControlClassesCreateNothing)
{
    EXPECT_EQ(nullptr, Create(4242));
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, CreateDialogParamA(GetModuleHandleA(nullptr), "main", nullptr, nullptr, 0));
    EXPECT_EQ(nullptr, CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kMainDialog), nullptr, nullptr, 0));
    EXPECT_EQ(nullptr, Create(kBrokenDialog));
    EXPECT_TRUE(Logged({WM_INITDIALOG}).empty());  // a half-made dialog is not initialised
}

TEST_F(DialogTest, ClicksArriveAsPostedCommandsAndDisabledButtonsIgnoreThem)
{
    const HWND dialog = Create();
    const HWND start = GetDlgItem(dialog, kStart);
    QTest::mouseClick(win32::WindowWidget(start), Qt::LeftButton);
    EXPECT_TRUE(Logged({WM_COMMAND}).empty());  // posted, not sent
    PumpPending();
    ASSERT_EQ(1u, Logged({WM_COMMAND}).size());
    EXPECT_EQ(MAKEWPARAM(kStart, BN_CLICKED), Logged({WM_COMMAND})[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(start), Logged({WM_COMMAND})[0].lParam);

    EXPECT_FALSE(EnableWindow(start, FALSE));  // was enabled
    EXPECT_TRUE(EnableWindow(start, FALSE));   // was disabled
    EXPECT_FALSE(IsWindowEnabled(start));
    QTest::mouseClick(win32::WindowWidget(start), Qt::LeftButton);
    SendMessageA(start, BM_CLICK, 0, 0);
    PumpPending();
    EXPECT_EQ(1u, Logged({WM_COMMAND}).size());

    SendMessageA(GetDlgItem(dialog, kSnapshot), BM_CLICK, 0, 0);
    PumpPending();
    ASSERT_EQ(2u, Logged({WM_COMMAND}).size());
    EXPECT_EQ(MAKEWPARAM(kSnapshot, BN_CLICKED), Logged({WM_COMMAND})[1].wParam);

    // Disabling a dialog keeps its controls' own state.
    EnableWindow(dialog, FALSE);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kStop)));
    EXPECT_FALSE(win32::WindowWidget(GetDlgItem(dialog, kStop))->isEnabled());
    EnableWindow(dialog, TRUE);
    EXPECT_TRUE(win32::WindowWidget(GetDlgItem(dialog, kStop))->isEnabled());
    EXPECT_FALSE(win32::WindowWidget(start)->isEnabled());
}

TEST_F(DialogTest, EscapeCancelsAndEnterPressesTheFocusedOrDefaultButton)
{
    const HWND main = Create();
    PressKey(GetDlgItem(main, kStop), Qt::Key_Escape);
    PumpDialog(main);
    PressKey(GetDlgItem(main, kStop), Qt::Key_Return);
    PumpDialog(main);
    PressKey(main, Qt::Key_Enter, Qt::KeypadModifier);  // no push button has the focus, none is default
    PumpDialog(main);
    std::vector<Recorded> commands = Logged({WM_COMMAND});
    ASSERT_EQ(3u, commands.size());
    EXPECT_EQ(MAKEWPARAM(IDCANCEL, BN_CLICKED), commands[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(GetDlgItem(main, IDCANCEL)), commands[0].lParam);
    EXPECT_EQ(MAKEWPARAM(kStop, BN_CLICKED), commands[1].wParam);
    EXPECT_EQ(MAKEWPARAM(IDOK, BN_CLICKED), commands[2].wParam);
    EXPECT_EQ(0, commands[2].lParam);

    const HWND version = Create(kVersionDialog, main);
    PressKey(version, Qt::Key_Return);
    PumpDialog(version);
    commands = Logged({WM_COMMAND});
    ASSERT_EQ(4u, commands.size());
    EXPECT_EQ(version, commands[3].hwnd);
    EXPECT_EQ(reinterpret_cast<LPARAM>(GetDlgItem(version, IDOK)), commands[3].lParam);  // the default button

    // Without the dialog's loop a key stays a key.
    PressKey(main, Qt::Key_Escape);
    PumpPending();
    EXPECT_EQ(4u, Logged({WM_COMMAND}).size());
    EXPECT_FALSE(IsDialogMessageA(version, nullptr));
}

TEST_F(DialogTest, CloseBoxBecomesSysCommandThenCloseThenCancel)
{
    const HWND dialog = Create();
    win32::WindowWidget(dialog)->close();
    EXPECT_TRUE(win32::WindowWidget(dialog)->isVisible());  // only the program ends its dialog
    PumpPending();
    const std::vector<Recorded> sequence = Logged({WM_SYSCOMMAND, WM_CLOSE, WM_COMMAND});
    ASSERT_EQ(3u, sequence.size());
    EXPECT_EQ(static_cast<WPARAM>(SC_CLOSE), sequence[0].wParam);
    EXPECT_EQ(static_cast<UINT>(WM_CLOSE), sequence[1].message);
    EXPECT_EQ(MAKEWPARAM(IDCANCEL, BN_CLICKED), sequence[2].wParam);
    EXPECT_TRUE(IsWindow(dialog));

    // A disabled window (under a modal dialog) ignores its close box.
    EnableWindow(dialog, FALSE);
    win32::WindowWidget(dialog)->close();
    PumpPending();
    EXPECT_EQ(3u, Logged({WM_SYSCOMMAND, WM_CLOSE, WM_COMMAND}).size());
}

TEST_F(DialogTest, MinimisedWindowIsIconicAndAsksForAPaint)
{
    const HWND dialog = Create();
    PumpPending();
    EXPECT_FALSE(IsIconic(dialog));
    ShowWindow(dialog, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(dialog));
    EXPECT_TRUE(IsWindowVisible(dialog));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_PAINT), message.message);
    SendMessageA(dialog, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(dialog));
}

TEST_F(DialogTest, ScreenshotsShowTheDialogsAsLaidOut)
{
    const HWND main = Create();
    const HWND version = Create(kVersionDialog, main);
    ShowWindow(version, SW_SHOWNORMAL);
    PumpPending();
    // Kept in the test's folder for looking at.
    ASSERT_TRUE(win32::SaveWindowPng(main, "main_dialog.png"));
    ASSERT_TRUE(win32::SaveWindowPng(version, "version_dialog.png"));
    EXPECT_EQ(QSize(275, 263), QImage("main_dialog.png").size());
    EXPECT_EQ(QSize(353, 83), QImage("version_dialog.png").size());  // 235 x 55 units
    EXPECT_FALSE(win32::SaveWindowPng(nullptr, "nothing.png"));
}

}  // namespace
}  // namespace win32_test
