// Windows, messages and message boxes.
#pragma once

#include "windef.h"

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_ICONERROR 0x00000010L
#define MB_TYPEMASK 0x0000000FL

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// Text and caption in the system code page (UTF-8). The answer comes from the desktop's
// message box, or when running unattended from the answers given in advance (see
// message_box.h).
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
