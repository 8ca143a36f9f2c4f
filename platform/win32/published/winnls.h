// Code pages. The system code page here is UTF-8.
#pragma once

#include "windef.h"

#define CP_ACP 0
#define CP_UTF8 65001

#define ERROR_SUCCESS 0
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_PARAMETER 87
#define ERROR_NO_UNICODE_TRANSLATION 1113

DWORD GetLastError();
void SetLastError(DWORD error);

// Converts wide text (UTF-32 here) to the code page (UTF-8, for CP_ACP and CP_UTF8).
// cchWideChar -1 converts up to and including the terminator. With cbMultiByte 0 the
// result is the number of bytes needed. When the buffer is too small, as many whole
// characters as fit are written and the result is 0 (ERROR_INSUFFICIENT_BUFFER).
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar);
