// The system menu. X11 desktops do not let a program extend the window menu, so the
// entries are offered as the window's context menu instead.
#include <QMenu>

#include "menu.h"
#include "window_records.h"

namespace win32::detail {
namespace {

struct MenuItem {
    UINT flags;
    UINT_PTR id;
    std::string text;
};

struct Menu {
    std::vector<MenuItem> items;
};

HandleTable<Menu, HMENU>& Menus()
{
    static HandleTable<Menu, HMENU> table(0x40000);
    return table;
}

}  // namespace

void ShowSystemMenu(HWND hwnd, const QPoint& globalPosition)
{
    const HMENU handle = GetSystemMenu(hwnd, FALSE);
    Window* window = FindWindowRecord(hwnd);
    const Menu* menu = Menus().Find(handle);
    if (window == nullptr || menu == nullptr || !window->widget) return;
    if (!window->contextMenu) window->contextMenu = new QMenu(window->widget);
    QMenu* popup = window->contextMenu;
    popup->clear();
    for (const MenuItem& item : menu->items) {
        if (item.flags & MF_SEPARATOR) {
            popup->addSeparator();
            continue;
        }
        const UINT_PTR id = item.id;
        QObject::connect(popup->addAction(QString::fromUtf8(item.text.c_str())), &QAction::triggered,
                         [hwnd, id] { PostMessageA(hwnd, WM_SYSCOMMAND, id, 0); });
    }
    popup->popup(globalPosition);
}

void DestroySystemMenu(Window& window)
{
    Menus().Remove(window.systemMenu);
    window.systemMenu = nullptr;
}

}  // namespace win32::detail

using namespace win32::detail;

HMENU GetSystemMenu(HWND hWnd, BOOL bRevert)
{
    Window* window = FindWindowRecord(hWnd);
    if (window == nullptr || !(window->style & WS_SYSMENU)) return nullptr;
    if (bRevert) {
        DestroySystemMenu(*window);
        return nullptr;
    }
    if (window->systemMenu == nullptr) {
        auto menu = std::make_unique<Menu>();
        menu->items.push_back(MenuItem{MF_STRING, SC_CLOSE, "&Close\tAlt+F4"});
        window->systemMenu = Menus().Add(std::move(menu));
    }
    return window->systemMenu;
}

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem)
{
    Menu* menu = OnGuiThread() ? Menus().Find(hMenu) : nullptr;
    if (menu == nullptr || (uFlags & ~static_cast<UINT>(MF_SEPARATOR)) != MF_STRING ||
        (!(uFlags & MF_SEPARATOR) && lpNewItem == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    menu->items.push_back(MenuItem{uFlags, uIDNewItem, uFlags & MF_SEPARATOR ? "" : lpNewItem});
    return TRUE;
}
