// Starting the desktop: which Qt platform the session chooses. A program of its own,
// because each test starts and ends the Qt application.
#include <windows.h>

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <cstdlib>

#include "platform/win32/desktop.h"

namespace {

class DesktopSessionTest : public testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("QT_QPA_PLATFORM");
        unsetenv("WAYLAND_DISPLAY");
    }

    int argc_ = 1;
    char name_[16] = "quenmire-tests";
    char* argv_[2] = {name_, nullptr};
};

TEST_F(DesktopSessionTest, WithoutADisplayWindowsLiveOffscreen)
{
    unsetenv("DISPLAY");
    const win32::DesktopSession session(argc_, argv_);
    EXPECT_TRUE(win32::DesktopSession::Offscreen());
    EXPECT_EQ(QStringLiteral("vosk"), QCoreApplication::applicationName());  // from the version information
}

TEST_F(DesktopSessionTest, ADisplayThatCannotBeReachedFallsBackToOffscreen)
{
    setenv("DISPLAY", ":97", 1);
    const win32::DesktopSession session(argc_, argv_);
    EXPECT_TRUE(win32::DesktopSession::Offscreen());
}

TEST_F(DesktopSessionTest, EndingTheSessionDestroysTheWindowsLeft)
{
    unsetenv("DISPLAY");
    HWND dialog = nullptr;
    {
        const win32::DesktopSession session(argc_, argv_);
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(102), nullptr, nullptr, 0);
        ASSERT_TRUE(IsWindow(dialog));
    }
    EXPECT_EQ(nullptr, QCoreApplication::instance());
    EXPECT_FALSE(IsWindow(dialog));  // and no window functions without a desktop
}

}  // namespace
