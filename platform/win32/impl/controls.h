// The window procedures of the control classes (controls.cpp), for dialogs that make
// controls. Not for callers of the Windows API.
#pragma once

#include "windows.h"

namespace win32::detail {

LRESULT CALLBACK ButtonWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace win32::detail
