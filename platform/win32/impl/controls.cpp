// The window procedures of the two control classes: push buttons, which are Qt push
// buttons, and statics, which paint into their backing image.
#include <QAbstractButton>
#include <QPainter>

#include "controls.h"
#include "paint.h"
#include "window_records.h"

namespace win32::detail {
namespace {

void PaintStatic(const Window& window, HDC hdc)
{
    const DWORD type = window.style & SS_TYPEMASK;
    const QString text = QString::fromUtf8(window.text.c_str());
    const QFont font = window.widget ? window.widget->font() : QFont();
    const QColor textColour = window.widget ? window.widget->palette().color(QPalette::WindowText) : QColor(Qt::black);
    const QRect client = window.backing.rect();
    PaintOnDc(hdc, [&](QPainter& painter) {
        if (type == SS_BLACKFRAME) {
            painter.setPen(Qt::black);
            painter.drawRect(client.adjusted(0, 0, -1, -1));
        } else if (type == SS_LEFT) {
            painter.setFont(font);
            painter.setPen(textColour);
            const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap |
                              (window.style & SS_NOPREFIX ? 0 : Qt::TextShowMnemonic);
            painter.drawText(client, flags, text);
        }
    });
    if (type == SS_ICON) DrawIcon(hdc, 0, 0, window.staticIcon);
}

}  // namespace

LRESULT CALLBACK ButtonWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == BM_CLICK) {
        // The same path as a click with the mouse; a disabled button ignores it.
        const Window* window = FindWindowRecord(hwnd);
        if (auto* button = window ? qobject_cast<QAbstractButton*>(window->widget.data()) : nullptr) button->click();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT) return DefWindowProcA(hwnd, message, wParam, lParam);
    PAINTSTRUCT paint;
    const HDC hdc = BeginPaint(hwnd, &paint);
    if (const Window* window = FindWindowRecord(hwnd); window && hdc) PaintStatic(*window, hdc);
    EndPaint(hwnd, &paint);
    return 0;
}

}  // namespace win32::detail
