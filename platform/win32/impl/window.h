// Making and ending windows (window.cpp). Not for callers of the Windows API.
#pragma once

#include <memory>

#include "window_records.h"

class QFont;

namespace win32::detail {

// Makes the record's widget and backing image and files it. `geometry` is in client
// pixels of the parent (for a dialog: screen position and client size).
HWND AddWindow(std::unique_ptr<Window> window, const QRect& geometry, const QFont* font);
// Destroys every window left, for the end of the desktop session.
void DestroyAllWindows();

}  // namespace win32::detail
