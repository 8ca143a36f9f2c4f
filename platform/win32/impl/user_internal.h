// Inside the windowing layer: window records, handle tables and the calls between the
// layer's parts. Not for callers of the Windows API.
#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "windows.h"

class QMenu;
class QPainter;

namespace win32::detail {

// Objects behind handles. Handle values count up from a base and are never reused, so
// a stale handle finds nothing.
template <typename Object, typename Handle>
class HandleTable {
public:
    explicit HandleTable(uintptr_t base) : next_(base) {}

    Handle Add(std::unique_ptr<Object> object)
    {
        const uintptr_t key = next_;
        next_ += 4;
        objects_.emplace(key, std::move(object));
        return reinterpret_cast<Handle>(key);
    }
    Object* Find(Handle handle) const
    {
        const auto it = objects_.find(reinterpret_cast<uintptr_t>(handle));
        return it == objects_.end() ? nullptr : it->second.get();
    }
    std::unique_ptr<Object> Remove(Handle handle)
    {
        const auto it = objects_.find(reinterpret_cast<uintptr_t>(handle));
        if (it == objects_.end()) return nullptr;
        std::unique_ptr<Object> object = std::move(it->second);
        objects_.erase(it);
        return object;
    }
    // Handles in the order they were made.
    std::vector<Handle> Handles() const
    {
        std::vector<Handle> handles;
        for (const auto& entry : objects_) handles.push_back(reinterpret_cast<Handle>(entry.first));
        return handles;
    }

private:
    uintptr_t next_;
    std::map<uintptr_t, std::unique_ptr<Object>> objects_;
};

enum class WindowKind { Dialog, Button, Static };

struct Window {
    HWND handle = nullptr;
    WindowKind kind = WindowKind::Dialog;
    HWND parent = nullptr;  // the parent of a child window, the owner of a dialog
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;
    std::string text;
    WNDPROC proc = nullptr;
    DLGPROC dialogProc = nullptr;
    QPointer<QWidget> widget;
    // What GDI draws into and the widget shows; null for buttons, which draw themselves.
    QImage backing;
    QRect updateRect;  // client coordinates; empty when nothing needs painting
    bool eraseNeeded = false;
    bool destroying = false;
    bool dialogEnded = false;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HICON staticIcon = nullptr;  // the picture of an SS_ICON static
    HMENU systemMenu = nullptr;
    QPointer<QMenu> contextMenu;
};

// True on the thread that runs the Qt application; windows live only there.
bool OnGuiThread();

// Copies UTF-8 text into a buffer of `size` bytes (size > 0), cut to whole characters,
// with a terminator; returns the bytes copied.
int CopyWholeCharacters(std::string_view text, char* buffer, int size);

// ---- windows (window.cpp)
Window* FindWindowRecord(HWND hwnd);
// Makes the record's widget and backing image and files it. `geometry` is in client
// pixels of the parent (for a dialog: screen position and client size).
HWND AddWindow(std::unique_ptr<Window> window, const QRect& geometry, const QFont* font);
std::vector<HWND> ChildrenOf(HWND parent);
std::vector<HWND> AllWindows();
bool IsDescendant(HWND ancestor, HWND hwnd);
HWND WindowOfWidget(const QObject* widget);
QColor ButtonFaceColour();
// Destroys every window left, for the end of the desktop session.
void DestroyAllWindows();

// ---- messages (message_loop.cpp)
// Calls the window's procedure, then the WH_CALLWNDPROCRET hooks.
LRESULT CallWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool sent);
void KillTimersOf(HWND hwnd);
void ResetMessageQueue();

// ---- painting (paint.cpp)
// The first visible window, in creation order, that needs painting and passes the filter.
HWND NextWindowToPaint(HWND filter);
void InvalidateWhole(Window& window);
// Runs `draw` with a painter on the context's image, clipped to the context.
bool PaintOnDc(HDC hdc, const std::function<void(QPainter& painter)>& draw);
bool FillWithButtonFace(HDC hdc);
void ReleaseDcsOf(HWND hwnd);

// ---- dialogs and controls (dialog.cpp, controls.cpp)
LRESULT CALLBACK ButtonWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- menus (menu.cpp)
void ShowSystemMenu(HWND hwnd, const QPoint& globalPosition);
void DestroySystemMenu(Window& window);

// ---- icons (resources.cpp)
struct Icon {
    QImage large;  // SM_CXICON x SM_CYICON
    QImage small;  // SM_CXSMICON x SM_CYSMICON
};
const Icon* FindIcon(HICON icon);

}  // namespace win32::detail
