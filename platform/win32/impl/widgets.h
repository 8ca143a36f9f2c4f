// The Qt widgets behind windows that have a backing image: dialogs and statics.
#pragma once

#include <QWidget>

#include "windef.h"

namespace win32::detail {

// Shows its window's backing image, which GDI calls draw into.
class CanvasWidget : public QWidget {
public:
    CanvasWidget(HWND hwnd, QWidget* parent, Qt::WindowFlags flags = {});

protected:
    void paintEvent(QPaintEvent* event) override;

    HWND hwnd_;
};

// A dialog's window. Desktop input becomes posted messages, as the window manager's
// input does on the original platform: the close box becomes WM_SYSCOMMAND SC_CLOSE;
// Escape and Enter become WM_KEYDOWN for the focused window, which the dialog's loop
// turns into commands (IsDialogMessageA); right click and Alt+Space open the system
// menu.
class DialogWidget : public CanvasWidget {
public:
    DialogWidget(HWND hwnd, QWidget* owner, Qt::WindowFlags flags);
    // Key handling for a control of this dialog.
    void WatchKeysOf(QWidget* control);

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleKey(QObject* target, const QKeyEvent* key);
};

}  // namespace win32::detail
