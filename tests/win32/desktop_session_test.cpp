// Starting the desktop: which Qt platform the session chooses. A program of its own,
// because each test starts and ends the Qt application.
#include <windows.h>

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>

#include "desktop.h"
#include "tests/support/test_files.h"

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

TEST_F(DesktopSessionTest, WithoutARuntimeFolderTheSessionLendsAPrivateOne)
{
    unsetenv("DISPLAY");
    unsetenv("XDG_RUNTIME_DIR");
    std::string folder;
    {
        const win32::DesktopSession session(argc_, argv_);
        const char* lent = std::getenv("XDG_RUNTIME_DIR");
        ASSERT_NE(nullptr, lent);
        folder = lent;
        struct stat status {};
        ASSERT_EQ(0, stat(folder.c_str(), &status));
        EXPECT_TRUE(S_ISDIR(status.st_mode));
        EXPECT_EQ(0700u, status.st_mode & 0777u);  // Qt accepts no other
        EXPECT_EQ(getuid(), status.st_uid);
    }
    EXPECT_EQ(nullptr, std::getenv("XDG_RUNTIME_DIR"));
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST_F(DesktopSessionTest, ARuntimeFolderGivenIsKept)
{
    unsetenv("DISPLAY");
    const test_support::TempDir folder;  // made with mode 0700
    const std::string given = folder.path().string();
    setenv("XDG_RUNTIME_DIR", given.c_str(), 1);
    {
        const win32::DesktopSession session(argc_, argv_);
        EXPECT_EQ(given, std::getenv("XDG_RUNTIME_DIR"));
    }
    EXPECT_EQ(given, std::getenv("XDG_RUNTIME_DIR"));
    EXPECT_TRUE(std::filesystem::exists(given));
    unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
