// Windows and their widgets: creation, destruction and window attributes. The records
// themselves live in window_records.cpp.
#include <QApplication>
#include <QPushButton>

#include <algorithm>
#include <cstring>

#include "icons.h"
#include "menu.h"
#include "message_loop.h"
#include "paint.h"
#include "widgets.h"
#include "window.h"

namespace win32::detail {
namespace {

Window* FindWindowOrFail(HWND hwnd)
{
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

QWidget* WidgetOf(HWND hwnd)
{
    const Window* window = FindWindowRecord(hwnd);
    return window ? window->widget.data() : nullptr;
}

QWidget* MakeWidget(const Window& window, QWidget* parentWidget)
{
    switch (window.kind) {
    case WindowKind::Dialog: {
        Qt::WindowFlags flags = (window.exStyle & WS_EX_APPWINDOW) || parentWidget == nullptr ? Qt::Window : Qt::Dialog;
        flags |= Qt::CustomizeWindowHint;
        if ((window.style & WS_CAPTION) == WS_CAPTION) flags |= Qt::WindowTitleHint;
        if (window.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (window.style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
        return new DialogWidget(window.handle, parentWidget ? parentWidget->window() : nullptr, flags);
    }
    case WindowKind::Button: {
        auto* button = new QPushButton(QString::fromUtf8(window.text.c_str()), parentWidget);
        button->setFocusPolicy(window.style & WS_TABSTOP ? Qt::StrongFocus : Qt::ClickFocus);
        const HWND hwnd = window.handle;
        QObject::connect(button, &QPushButton::clicked, [hwnd] {
            // A click reaches the parent as a command: the control's identifier and
            // BN_CLICKED, and the control's handle.
            if (const Window* clicked = FindWindowRecord(hwnd)) {
                PostMessageA(clicked->parent, WM_COMMAND, MAKEWPARAM(clicked->id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(hwnd));
            }
        });
        return button;
    }
    case WindowKind::Static: return new CanvasWidget(window.handle, parentWidget);
    }
    return nullptr;
}

// The backing image at a new size: what fits is kept, the rest is button face.
void ResizeBacking(Window& window, const QSize& size)
{
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(ButtonFaceColour());
    if (!window.backing.isNull()) {
        for (int y = 0; y < std::min(image.height(), window.backing.height()); ++y) {
            std::memcpy(image.scanLine(y), window.backing.constScanLine(y),
                        static_cast<size_t>(std::min(image.width(), window.backing.width())) * 4);
        }
    }
    window.backing = image;
    InvalidateWhole(window);
}

}  // namespace

HWND AddWindow(std::unique_ptr<Window> record, const QRect& geometry, const QFont* font)
{
    if (!OnGuiThread()) return nullptr;
    QWidget* parentWidget = WidgetOf(record->parent);
    Window& window = *record;
    window.handle = Windows().Add(std::move(record));
    QWidget* widget = MakeWidget(window, parentWidget);
    window.widget = widget;
    widget->setProperty(kHandleProperty, QVariant::fromValue(reinterpret_cast<qulonglong>(window.handle)));
    if (font) widget->setFont(*font);
    widget->setEnabled(!(window.style & WS_DISABLED));
    if (window.kind == WindowKind::Dialog) {
        widget->setWindowTitle(QString::fromUtf8(window.text.c_str()));
        widget->move(geometry.topLeft());
        widget->setFixedSize(geometry.size());
    } else {
        widget->setGeometry(geometry);
        widget->setVisible(window.style & WS_VISIBLE);
        if (auto* dialog = dynamic_cast<DialogWidget*>(parentWidget)) dialog->WatchKeysOf(widget);
    }
    if (window.kind != WindowKind::Button) ResizeBacking(window, geometry.size());
    return window.handle;
}

void DestroyAllWindows()
{
    for (HWND hwnd : AllWindows()) DestroyWindow(hwnd);
}

}  // namespace win32::detail

using namespace win32::detail;

BOOL DestroyWindow(HWND hWnd)
{
    Window* window = FindWindowOrFail(hWnd);
    if (window == nullptr || window->destroying) return FALSE;
    window->destroying = true;
    if (window->widget) window->widget->hide();
    SendMessageA(hWnd, WM_DESTROY, 0, 0);
    // Dialogs owned by this one go first, then the children.
    for (HWND other : Windows().Handles()) {
        const Window* owned = Windows().Find(other);
        if (owned && owned->parent == hWnd && owned->kind == WindowKind::Dialog) DestroyWindow(other);
    }
    for (HWND child : ChildrenOf(hWnd)) DestroyWindow(child);
    KillTimersOf(hWnd);
    SendMessageA(hWnd, WM_NCDESTROY, 0, 0);
    ReleaseDcsOf(hWnd);
    std::unique_ptr<Window> record = Windows().Remove(hWnd);
    DestroySystemMenu(*record);
    delete record->widget.data();
    return TRUE;
}

HWND GetParent(HWND hWnd)
{
    const Window* window = FindWindowOrFail(hWnd);
    return window ? window->parent : nullptr;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    for (HWND child : ChildrenOf(hDlg)) {
        if (Windows().Find(child)->id == nIDDlgItem) return child;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd)
{
    const Window* window = FindWindowOrFail(hWnd);
    return window && window->kind != WindowKind::Dialog ? window->id : 0;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    const Window* window = FindWindowOrFail(hWnd);
    if (window == nullptr || lpRect == nullptr || !window->widget) return FALSE;
    *lpRect = RECT{0, 0, window->widget->width(), window->widget->height()};
    return TRUE;
}

BOOL IsIconic(HWND hWnd)
{
    const QWidget* widget = WidgetOf(hWnd);
    return widget && widget->isWindow() && widget->isMinimized();
}

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    Window* window = FindWindowOrFail(hWnd);
    if (window == nullptr || !window->widget) return FALSE;
    const BOOL wasVisible = (window->style & WS_VISIBLE) != 0;
    QWidget* widget = window->widget;
    switch (nCmdShow) {
    case SW_HIDE:
        window->style &= ~WS_VISIBLE;
        widget->hide();
        return wasVisible;
    case SW_SHOW:
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        window->style |= WS_VISIBLE;
        if (widget->isWindow() && nCmdShow != SW_SHOW) {
            widget->showNormal();
        } else {
            widget->show();
        }
        break;
    case SW_MINIMIZE:
        window->style |= WS_VISIBLE;
        if (widget->isWindow()) widget->showMinimized();
        break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return wasVisible;
    }
    if (widget->isWindow()) widget->activateWindow();
    if (!wasVisible) InvalidateWhole(*window);
    return wasVisible;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    Window* window = FindWindowOrFail(hWnd);
    if (window == nullptr) return FALSE;
    const BOOL wasDisabled = (window->style & WS_DISABLED) != 0;
    if (bEnable) {
        window->style &= ~WS_DISABLED;
    } else {
        window->style |= WS_DISABLED;
    }
    if (window->widget) window->widget->setEnabled(bEnable);
    return wasDisabled;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint)
{
    Window* window = FindWindowOrFail(hWnd);
    if (window == nullptr || !window->widget || nWidth < 0 || nHeight < 0) return FALSE;
    QWidget* widget = window->widget;
    if (widget->isWindow()) {
        widget->move(X, Y);
        widget->setFixedSize(nWidth, nHeight);
    } else {
        widget->setGeometry(X, Y, nWidth, nHeight);
    }
    if (!window->backing.isNull()) ResizeBacking(*window, QSize(nWidth, nHeight));
    if (bRepaint && window->parent && window->kind != WindowKind::Dialog) InvalidateRect(window->parent, nullptr, TRUE);
    return TRUE;
}

int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    const Window* window = FindWindowOrFail(hWnd);
    if (window == nullptr || lpString == nullptr || nMaxCount <= 0) return 0;
    return CopyWholeCharacters(window->text, lpString, nMaxCount);
}

HWND SetFocus(HWND hWnd)
{
    const HWND previous = GetFocus();
    QWidget* widget = WidgetOf(hWnd);
    if (widget == nullptr) return nullptr;
    widget->setFocus(Qt::OtherFocusReason);
    return previous;
}

HWND GetFocus()
{
    return OnGuiThread() ? WindowOfWidget(QApplication::focusWidget()) : nullptr;
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    Window* window = FindWindowOrFail(hWnd);
    if (window == nullptr) return 0;
    if (nIndex != GWLP_WNDPROC || dwNewLong == 0) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    const LONG_PTR previous = reinterpret_cast<LONG_PTR>(window->proc);
    window->proc = reinterpret_cast<WNDPROC>(dwNewLong);
    return previous;
}

LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    Window* window = FindWindowRecord(hWnd);
    if (window == nullptr) return 0;
    switch (Msg) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (BeginPaint(hWnd, &paint)) EndPaint(hWnd, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
    case WM_ICONERASEBKGND: return FillWithButtonFace(reinterpret_cast<HDC>(wParam));
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(hWnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hWnd, SW_MINIMIZE); break;
        case SC_RESTORE: ShowWindow(hWnd, SW_RESTORE); break;
        }
        return 0;
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    case WM_SETICON: {
        HICON& slot = wParam == ICON_BIG ? window->bigIcon : window->smallIcon;
        const HICON previous = slot;
        slot = reinterpret_cast<HICON>(lParam);
        QIcon icon;
        if (const Icon* big = FindIcon(window->bigIcon)) icon.addPixmap(QPixmap::fromImage(big->large));
        if (const Icon* small = FindIcon(window->smallIcon)) icon.addPixmap(QPixmap::fromImage(small->small));
        if (window->widget) window->widget->setWindowIcon(icon);
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? window->bigIcon : window->smallIcon);
    }
    return 0;
}
