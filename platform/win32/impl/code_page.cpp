// The system code page is UTF-8; wide characters are UTF-32 code points.
#include "winnls.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

// UTF-8 form of one code point; 0 bytes for a value that is not a Unicode scalar.
int EncodeUtf8(uint32_t c, char out[4])
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | c >> 6);
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
        return 0;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | c >> 12);
        out[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    if (c < 0x110000) {
        out[0] = static_cast<char>(0xF0 | c >> 18);
        out[1] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out[2] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out[3] = static_cast<char>(0x80 | (c & 0x3F));
        return 4;
    }
    return 0;
}

}  // namespace

DWORD GetLastError()
{
    return t_lastError;
}
void SetLastError(DWORD error)
{
    t_lastError = error;
}

int WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR, BOOL* lpUsedDefaultChar)
{
    if (lpUsedDefaultChar) {
        *lpUsedDefaultChar = FALSE;
    }
    if ((CodePage != CP_ACP && CodePage != CP_UTF8) || lpWideCharStr == nullptr || cchWideChar == 0 ||
        cchWideChar < -1 || cbMultiByte < 0 || (cbMultiByte > 0 && lpMultiByteStr == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int written = 0;
    for (int i = 0; cchWideChar == -1 || i < cchWideChar; ++i) {
        const uint32_t c = static_cast<uint32_t>(lpWideCharStr[i]);
        char bytes[4];
        int n = EncodeUtf8(c, bytes);
        if (n == 0) {
            bytes[0] = '?';  // not a character: replaced, as the default character would be
            n = 1;
            if (lpUsedDefaultChar) {
                *lpUsedDefaultChar = TRUE;
            }
        }
        if (cbMultiByte > 0) {
            if (written + n > cbMultiByte) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            for (int k = 0; k < n; ++k) {
                lpMultiByteStr[written + k] = bytes[k];
            }
        }
        written += n;
        if (cchWideChar == -1 && c == 0) {
            break;
        }
    }
    return written;
}
