// The window records: the handle table, the lookups and walks over it, and the
// published calls that only read a record.
#include "window_records.h"

#include <QApplication>
#include <QPalette>
#include <QThread>

#include <algorithm>
#include <cstring>

namespace win32::detail {

HandleTable<Window, HWND>& Windows()
{
    static HandleTable<Window, HWND> table(0x10000);
    return table;
}

bool OnGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && app->inherits("QApplication") && QThread::currentThread() == app->thread();
}

Window* FindWindowRecord(HWND hwnd)
{
    if (hwnd == nullptr || !OnGuiThread()) return nullptr;
    return Windows().Find(hwnd);
}

std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    if (!OnGuiThread()) return children;
    for (HWND hwnd : Windows().Handles()) {
        const Window* window = Windows().Find(hwnd);
        if (window->parent == parent && window->kind != WindowKind::Dialog) children.push_back(hwnd);
    }
    return children;
}

std::vector<HWND> AllWindows()
{
    return OnGuiThread() ? Windows().Handles() : std::vector<HWND>();
}

bool IsDescendant(HWND ancestor, HWND hwnd)
{
    for (const Window* window = FindWindowRecord(hwnd); window && window->kind != WindowKind::Dialog;
         window = FindWindowRecord(window->parent)) {
        if (window->parent == ancestor) return true;
    }
    return false;
}

HWND WindowOfWidget(const QObject* widget)
{
    if (widget == nullptr) return nullptr;
    const QVariant value = widget->property(kHandleProperty);
    return value.isValid() ? reinterpret_cast<HWND>(value.toULongLong()) : nullptr;
}

QColor ButtonFaceColour()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

int CopyWholeCharacters(std::string_view text, char* buffer, int size)
{
    size_t length = std::min(text.size(), static_cast<size_t>(size - 1));
    while (length > 0 && length < text.size() && (text[length] & 0xC0) == 0x80) --length;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

HWND NextWindowToPaint(HWND filter)
{
    for (HWND hwnd : AllWindows()) {
        const Window* window = FindWindowRecord(hwnd);
        if (!window->updateRect.isEmpty() && !window->backing.isNull() && IsWindowVisible(hwnd) &&
            (filter == nullptr || hwnd == filter || IsDescendant(filter, hwnd))) {
            return hwnd;
        }
    }
    return nullptr;
}

}  // namespace win32::detail

using namespace win32::detail;

BOOL IsWindow(HWND hWnd)
{
    return FindWindowRecord(hWnd) != nullptr;
}

BOOL IsWindowVisible(HWND hWnd)
{
    for (const Window* window = FindWindowRecord(hWnd); window; window = FindWindowRecord(window->parent)) {
        if (!(window->style & WS_VISIBLE)) return FALSE;
        if (window->kind == WindowKind::Dialog) return TRUE;
    }
    return FALSE;
}

BOOL IsWindowEnabled(HWND hWnd)
{
    const Window* window = FindWindowRecord(hWnd);
    return window && !(window->style & WS_DISABLED);
}
