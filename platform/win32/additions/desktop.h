// The desktop that windows live on: the Qt application of the process, the desktop's
// message box, and pictures of windows.
#pragma once

#include <memory>
#include <string>

#include "windef.h"

class QApplication;
class QWidget;

namespace win32 {

// Starts the Qt application unless one is running. With neither DISPLAY nor
// WAYLAND_DISPLAY set and no QT_QPA_PLATFORM chosen, or with a display that cannot be
// reached, it uses Qt's "offscreen" platform, on which everything works, painting
// included, and nobody is asked anything. On a real
// display, MessageBoxA shows the desktop's message box while the session lasts. Ending
// the session it started destroys the windows left and ends the Qt application.
// Without XDG_RUNTIME_DIR, the session gives Qt a private runtime folder of its own for
// its lifetime. argc and argv must outlive the session.
class DesktopSession {
public:
    DesktopSession(int& argc, char** argv);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // True on a platform that nobody can see.
    static bool Offscreen();

private:
    std::string runtimeDir_;  // made by this session, removed with it
    std::unique_ptr<QApplication> app_;
    bool boxInstalled_ = false;
};

// A message box on the desktop, run with the thread's message loop so that timers keep
// running while it is open (MessageBoxA with no owner window). Text and caption UTF-8.
int DesktopMessageBox(const std::string& text, const std::string& caption, UINT type);

// The window as a PNG file, frame excluded, children included. False on failure.
bool SaveWindowPng(HWND hwnd, const std::string& path);

// The widget behind a window, for tests and automation that drive the desktop itself.
QWidget* WindowWidget(HWND hwnd);

}  // namespace win32
