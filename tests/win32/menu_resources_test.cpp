// The system menu as a context menu, string and icon resources, icons of windows, the
// desktop's message box, MulDiv.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstring>

#include "dialog_fixture.h"

namespace win32_test {
namespace {

using test_support::PumpPending;
using namespace test_resources;

QMenu* OpenMenu()
{
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QStringList Entries(const QMenu* menu)
{
    QStringList entries;
    for (const QAction* action : menu->actions()) entries << (action->isSeparator() ? "-" : action->text());
    return entries;
}

TEST_F(DialogTest, SystemMenuIsOfferedOnRightClickAndAltSpace)
{
    const HWND dialog = Create();
    const HMENU menu = GetSystemMenu(dialog, FALSE);
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(menu, GetSystemMenu(dialog, FALSE));
    EXPECT_TRUE(AppendMenuA(menu, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 16, "vosk のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
    EXPECT_FALSE(AppendMenuA(menu, MF_STRING, 17, nullptr));
    EXPECT_FALSE(AppendMenuA(menu, 0x10 /* MF_POPUP */, 17, "sub"));
    EXPECT_EQ(nullptr, GetSystemMenu(GetDlgItem(dialog, kStart), FALSE));  // no WS_SYSMENU

    // A right click on the display control reaches the dialog.
    QWidget* display = win32::WindowWidget(GetDlgItem(dialog, kDisplay));
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10), display->mapToGlobal(QPoint(10, 10)));
    QCoreApplication::sendEvent(display, &click);
    QMenu* popup = OpenMenu();
    ASSERT_NE(nullptr, popup);
    EXPECT_EQ((QStringList{"&Close\tAlt+F4", "-", "vosk のﾊﾞｰｼﾞｮﾝ情報(&A)..."}), Entries(popup));
    popup->actions().at(2)->trigger();
    popup->close();
    EXPECT_TRUE(Logged({WM_SYSCOMMAND}).empty());  // posted
    PumpPending();
    ASSERT_EQ(1u, Logged({WM_SYSCOMMAND}).size());
    EXPECT_EQ(16u, Logged({WM_SYSCOMMAND})[0].wParam);

    // Alt+Space, from whichever control has the focus; Close goes the way of the close box.
    QKeyEvent altSpace(QEvent::KeyPress, Qt::Key_Space, Qt::AltModifier);
    QCoreApplication::sendEvent(win32::WindowWidget(GetDlgItem(dialog, kStart)), &altSpace);
    popup = OpenMenu();
    ASSERT_NE(nullptr, popup);
    popup->actions().at(0)->trigger();
    popup->close();
    PumpPending();
    EXPECT_EQ(2u, Logged({WM_SYSCOMMAND}).size());
    EXPECT_EQ(1u, Logged({WM_CLOSE}).size());
    ASSERT_EQ(1u, Logged({WM_COMMAND}).size());
    EXPECT_EQ(MAKEWPARAM(IDCANCEL, BN_CLICKED), Logged({WM_COMMAND})[0].wParam);

    // Reverting brings back the desktop's own entries only.
    EXPECT_EQ(nullptr, GetSystemMenu(dialog, TRUE));
    EXPECT_FALSE(AppendMenuA(menu, MF_STRING, 16, "stale"));
    QCoreApplication::sendEvent(display, &click);
    ASSERT_NE(nullptr, OpenMenu());
    EXPECT_EQ(QStringList{"&Close\tAlt+F4"}, Entries(OpenMenu()));
    OpenMenu()->close();
}

TEST(ResourceTest, StringsAreCopiedWholeCharactersOnly)
{
    const HINSTANCE module = GetModuleHandleA(nullptr);
    char buffer[64];
    const char* expected = "vosk のﾊﾞｰｼﾞｮﾝ情報(&A)...";
    EXPECT_EQ(static_cast<int>(std::strlen(expected)), LoadStringA(module, kVersionMenuString, buffer, sizeof buffer));
    EXPECT_STREQ(expected, buffer);
    // 8 bytes: "vosk " and the 3-byte の fit, the next katakana would not.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(8, LoadStringA(module, kVersionMenuString, buffer, 9));
    EXPECT_STREQ("vosk の", buffer);
    EXPECT_EQ(5, LoadStringA(module, kVersionMenuString, buffer, 8));
    EXPECT_STREQ("vosk ", buffer);

    EXPECT_EQ(0, LoadStringA(module, 4242, buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(0, LoadStringA(module, kEmptyString, buffer, sizeof buffer));
    EXPECT_EQ(0, LoadStringA(nullptr, kVersionMenuString, buffer, sizeof buffer));
    EXPECT_EQ(0, LoadStringA(module, kVersionMenuString, buffer, 0));
    EXPECT_EQ(0, LoadStringA(module, kVersionMenuString, nullptr, 10));
    EXPECT_EQ(nullptr, GetModuleHandleA("user32.dll"));
}

TEST_F(DialogTest, IconsAreSharedAndWindowsKeepTheirIcons)
{
    const HINSTANCE module = GetModuleHandleA(nullptr);
    const HICON icon = LoadIconA(module, MAKEINTRESOURCEA(kIcon));
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(icon, LoadIconA(module, MAKEINTRESOURCEA(kIcon)));
    EXPECT_EQ(nullptr, LoadIconA(module, MAKEINTRESOURCEA(4242)));
    EXPECT_EQ(nullptr, LoadIconA(nullptr, MAKEINTRESOURCEA(kIcon)));
    EXPECT_EQ(nullptr, LoadIconA(module, "IDI_APP_ICON"));

    const HWND dialog = Create();
    EXPECT_EQ(0, SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)));
    EXPECT_EQ(0, SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(dialog, WM_SETICON, ICON_SMALL, 0));
    EXPECT_FALSE(win32::WindowWidget(dialog)->windowIcon().isNull());

    // The version dialog's icon control shows the icon at its own size.
    const HWND version = Create(kVersionDialog, dialog);
    ShowWindow(version, SW_SHOWNORMAL);
    PumpPending();
    const HWND iconControl = GetDlgItem(version, -1);  // the first control without an identifier
    ASSERT_NE(nullptr, iconControl);
    RECT client;
    GetClientRect(iconControl, &client);
    EXPECT_EQ(32, client.right);
    EXPECT_EQ(qRgb(255, 255, 0), Picture(iconControl).pixel(16, 16));
}

int g_ticksDuringBox = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_ticksDuringBox;
}

TEST(DesktopMessageBoxTest, AnswersWithTheButtonPressedWhileTimersKeepRunning)
{
    g_ticksDuringBox = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, CountTick);
    // The person at the desktop: waits for a few ticks, then presses No.
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible() && g_ticksDuringBox >= 3) {
                EXPECT_EQ(QStringLiteral("このデバイスを使用しますか？"), box->windowTitle());
                EXPECT_EQ(QStringLiteral("Test Camera"), box->text());
                box->button(QMessageBox::No)->click();
            }
        }
    });
    person.start(5);
    EXPECT_EQ(IDNO, win32::DesktopMessageBox("Test Camera", "このデバイスを使用しますか？", MB_YESNO));
    EXPECT_GE(g_ticksDuringBox, 3);
    QObject::disconnect(&person, nullptr, nullptr, nullptr);
    KillTimer(nullptr, timer);
}

TEST(MulDivTest, RoundsHalvesAwayFromZeroAndRefusesOverflow)
{
    EXPECT_EQ(275, MulDiv(183, 6, 4));
    EXPECT_EQ(263, MulDiv(175, 12, 8));
    EXPECT_EQ(-5, MulDiv(-3, 6, 4));
    EXPECT_EQ(-5, MulDiv(3, 6, -4));
    EXPECT_EQ(2, MulDiv(7, 1, 3));
    EXPECT_EQ(-1, MulDiv(1, 1, 0));
    EXPECT_EQ(-1, MulDiv(INT_MAX, INT_MAX, 1));
    EXPECT_EQ(INT_MAX, MulDiv(INT_MAX, INT_MAX, INT_MAX));
}

}  // namespace
}  // namespace win32_test
