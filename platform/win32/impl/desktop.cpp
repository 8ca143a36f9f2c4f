#include "desktop.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "message_box.h"
#include "message_loop.h"
#include "resources.h"
#include "window.h"
#include "window_records.h"

namespace win32 {
namespace {

bool IsUnset(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr || *value == '\0';
}

QMessageBox::StandardButtons ButtonsFor(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
    case MB_YESNOCANCEL: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconFor(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

int AnswerFor(QMessageBox::StandardButton button, UINT type)
{
    switch (button) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Ok: return IDOK;
    default:
        // Closed without a button: what Escape means for these buttons.
        return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : (type & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
    }
}

// Qt wants a runtime folder only this user can enter; a session outside a desktop login
// has none, so one is made under the temporary folder. Empty when it cannot be made.
std::string MakeRuntimeDir()
{
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (error) return {};
    std::string pattern = (temporary / "quenmire-runtime-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return {};  // mode 0700
    return pattern;
}

}  // namespace

DesktopSession::DesktopSession(int& argc, char** argv)
{
    if (QCoreApplication::instance() == nullptr) {
        if (IsUnset("XDG_RUNTIME_DIR")) {
            runtimeDir_ = MakeRuntimeDir();
            if (!runtimeDir_.empty()) setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);
        }
        // A display that cannot be reached falls back to the offscreen platform rather
        // than ending the program.
        if (IsUnset("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", !IsUnset("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen"
                                       : !IsUnset("DISPLAY")       ? "xcb;offscreen"
                                                                   : "offscreen");
        }
        app_ = std::make_unique<QApplication>(argc, argv);
        if (const char* name = FindVersionString("InternalName")) QCoreApplication::setApplicationName(name);
        if (const char* version = FindVersionString("ProductVersion")) QCoreApplication::setApplicationVersion(version);
    }
    if (!Offscreen()) {
        SetDesktopMessageBox(DesktopMessageBox);
        boxInstalled_ = true;
    }
}

DesktopSession::~DesktopSession()
{
    if (boxInstalled_) SetDesktopMessageBox(nullptr);
    if (app_) {
        detail::DestroyAllWindows();
        detail::ResetMessageQueue();
        app_.reset();
    }
    if (!runtimeDir_.empty()) {
        unsetenv("XDG_RUNTIME_DIR");
        std::error_code ignored;
        std::filesystem::remove_all(runtimeDir_, ignored);
    }
}

bool DesktopSession::Offscreen()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

int DesktopMessageBox(const std::string& text, const std::string& caption, UINT type)
{
    if (!detail::OnGuiThread()) return 0;
    QMessageBox box(IconFor(type), QString::fromUtf8(caption.c_str()), QString::fromUtf8(text.c_str()),
                    ButtonsFor(type));
    bool answered = false;
    QObject::connect(&box, &QMessageBox::finished, [&answered] {
        answered = true;
        PostMessageA(nullptr, WM_NULL, 0, 0);  // wakes the loop below
    });
    box.show();
    MSG message;
    while (!answered) {
        const BOOL result = GetMessageA(&message, nullptr, 0, 0);
        if (result <= 0) {
            if (result == 0) PostQuitMessage(static_cast<int>(message.wParam));  // for the loop outside
            break;
        }
        DispatchMessageA(&message);
    }
    return AnswerFor(box.standardButton(box.clickedButton()), type);
}

bool SaveWindowPng(HWND hwnd, const std::string& path)
{
    QWidget* widget = WindowWidget(hwnd);
    return widget && widget->grab().save(QString::fromStdString(path), "PNG");
}

QWidget* WindowWidget(HWND hwnd)
{
    const detail::Window* window = detail::FindWindowRecord(hwnd);
    return window ? window->widget.data() : nullptr;
}

}  // namespace win32
