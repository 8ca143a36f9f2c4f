// The system menu as windows and widgets use it (menu.cpp). Not for callers of the
// Windows API.
#pragma once

#include <QPoint>

#include "window_records.h"

namespace win32::detail {

void ShowSystemMenu(HWND hwnd, const QPoint& globalPosition);
void DestroySystemMenu(Window& window);

}  // namespace win32::detail
