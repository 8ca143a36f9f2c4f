#include "widgets.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>

#include "menu.h"
#include "window_records.h"

namespace win32::detail {

CanvasWidget::CanvasWidget(HWND hwnd, QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags), hwnd_(hwnd)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasWidget::paintEvent(QPaintEvent* event)
{
    const Window* window = FindWindowRecord(hwnd_);
    if (window == nullptr || window->backing.isNull()) return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(0, 0, window->backing);
}

DialogWidget::DialogWidget(HWND hwnd, QWidget* owner, Qt::WindowFlags flags) : CanvasWidget(hwnd, owner, flags)
{
    setFocusPolicy(Qt::ClickFocus);
}

void DialogWidget::WatchKeysOf(QWidget* control)
{
    control->installEventFilter(this);
}

void DialogWidget::closeEvent(QCloseEvent* event)
{
    // The window goes away only when the program destroys it.
    event->ignore();
    if (IsWindowEnabled(hwnd_)) PostMessageA(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogWidget::contextMenuEvent(QContextMenuEvent* event)
{
    ShowSystemMenu(hwnd_, event->globalPos());
    event->accept();
}

void DialogWidget::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(this, event)) QWidget::keyPressEvent(event);
}

void DialogWidget::changeEvent(QEvent* event)
{
    // Minimised and restored windows repaint, so that the program can draw its icon.
    if (event->type() == QEvent::WindowStateChange) InvalidateRect(hwnd_, nullptr, TRUE);
    QWidget::changeEvent(event);
}

bool DialogWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && HandleKey(watched, static_cast<QKeyEvent*>(event))) return true;
    return QWidget::eventFilter(watched, event);
}

bool DialogWidget::HandleKey(QObject* target, const QKeyEvent* key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Space && modifiers == Qt::AltModifier) {
        ShowSystemMenu(hwnd_, mapToGlobal(QPoint(0, 0)));
        return true;
    }
    if (modifiers != Qt::NoModifier) return false;
    WPARAM virtualKey = 0;
    if (key->key() == Qt::Key_Escape) {
        virtualKey = VK_ESCAPE;
    } else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        virtualKey = VK_RETURN;
    } else {
        return false;
    }
    const HWND focus = WindowOfWidget(target);
    PostMessageA(focus ? focus : hwnd_, WM_KEYDOWN, virtualKey, 0);
    return true;
}

}  // namespace win32::detail
