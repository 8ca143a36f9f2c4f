// The window records and the handle tables: the one home of what the windowing layer's
// parts share. Not for callers of the Windows API. The parts call only downward:
//   window_records    nothing of the others
//   message_loop      the records
//   resources (icons) the records
//   paint             the records, icons, messages
//   menu              the records, messages
//   window            all of the above (making and ending windows)
//   controls, widgets, dialog, desktop on top
#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "windows.h"

class QMenu;

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

// The widget property that holds a window's handle.
inline constexpr char kHandleProperty[] = "qm_hwnd";

// Every window, by handle. Windows live on the Qt application's thread only.
HandleTable<Window, HWND>& Windows();
// The record of a window, or null (also off the Qt application's thread).
Window* FindWindowRecord(HWND hwnd);
std::vector<HWND> ChildrenOf(HWND parent);
std::vector<HWND> AllWindows();
bool IsDescendant(HWND ancestor, HWND hwnd);
HWND WindowOfWidget(const QObject* widget);
QColor ButtonFaceColour();
// The first visible window, in creation order, that needs painting and passes the filter.
HWND NextWindowToPaint(HWND filter);

}  // namespace win32::detail
