// The thread's message queue as the other parts of the windowing layer use it
// (message_loop.cpp). Not for callers of the Windows API.
#pragma once

#include "windows.h"

namespace win32::detail {

// Calls the window's procedure, then the WH_CALLWNDPROCRET hooks.
LRESULT CallWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool sent);
void KillTimersOf(HWND hwnd);
void ResetMessageQueue();

}  // namespace win32::detail
