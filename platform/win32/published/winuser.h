// Windows, messages, timers, dialogs, painting, menus, icons and message boxes.
//
// Windows are Qt widgets and belong to the thread that runs the Qt application (see
// desktop.h); called from any other thread these functions fail. Handles are never
// reused, so a stale handle is refused rather than mistaken for a newer window.
// Only the published behaviour that callers rely on is provided; options outside it
// fail cleanly (FALSE, NULL or 0, with SetLastError).
#pragma once

#include "windef.h"

// ---- Messages
#define WM_NULL 0x0000
#define WM_DESTROY 0x0002
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_ICONERASEBKGND 0x0027
#define WM_QUERYDRAGICON 0x0037
#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define WM_NCDESTROY 0x0082
#define BM_CLICK 0x00F5
#define WM_KEYDOWN 0x0100
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_USER 0x0400

#define VK_RETURN 0x0D
#define VK_ESCAPE 0x1B

// ---- Window styles
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_EX_APPWINDOW 0x00040000L

#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L

#define BS_PUSHBUTTON 0x0L
#define BS_DEFPUSHBUTTON 0x1L
#define BS_TYPEMASK 0xFL
#define BN_CLICKED 0

#define SS_LEFT 0x0L
#define SS_ICON 0x3L
#define SS_BLACKFRAME 0x7L
#define SS_TYPEMASK 0x1FL
#define SS_NOPREFIX 0x80L

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// ---- System commands and the system menu
#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120

#define MF_STRING 0x0000L
#define MF_SEPARATOR 0x0800L

#define ICON_SMALL 0
#define ICON_BIG 1

#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXSMICON 49
#define SM_CYSMICON 50

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_RESTORE 9

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define GWLP_WNDPROC (-4)

#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF

#define WH_CALLWNDPROCRET 12
#define HC_ACTION 0

#define ERROR_INVALID_INDEX 1413
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_INVALID_HOOK_HANDLE 1404
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814
#define ERROR_NOT_SUPPORTED 50

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef LRESULT(CALLBACK* HOOKPROC)(int code, WPARAM wParam, LPARAM lParam);

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
typedef PAINTSTRUCT* LPPAINTSTRUCT;

// What a WH_CALLWNDPROCRET hook receives (through lParam) after a window procedure.
struct CWPRETSTRUCT {
    LRESULT lResult;
    LPARAM lParam;
    WPARAM wParam;
    UINT message;
    HWND hwnd;
};

// ---- Windows
BOOL IsWindow(HWND hWnd);
// Sends WM_DESTROY, destroys owned windows and children, then sends WM_NCDESTROY; the
// window's timers end with it.
BOOL DestroyWindow(HWND hWnd);
HWND GetParent(HWND hWnd);
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
int GetDlgCtrlID(HWND hWnd);
BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL IsIconic(HWND hWnd);
BOOL IsWindowVisible(HWND hWnd);
// SW_HIDE, SW_SHOW, SW_SHOWNORMAL, SW_MINIMIZE and SW_RESTORE. Returns whether the
// window was visible before.
BOOL ShowWindow(HWND hWnd, int nCmdShow);
// Returns nonzero when the window was disabled before.
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL IsWindowEnabled(HWND hWnd);
// For a top-level window nWidth x nHeight is its client area: the desktop draws the
// frame around it.
BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
// Window texts are in the system code page (UTF-8).
int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);
HWND SetFocus(HWND hWnd);
HWND GetFocus();
// Only GWLP_WNDPROC, for subclassing; returns the previous window procedure.
LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Default processing: WM_PAINT validates, WM_ERASEBKGND and WM_ICONERASEBKGND fill with
// the button face colour, WM_SYSCOMMAND carries out SC_CLOSE (as WM_CLOSE), SC_MINIMIZE
// and SC_RESTORE, WM_CLOSE destroys the window, WM_SETICON/WM_GETICON keep the icons.
LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// ---- Messages and the message queue
// Queued messages come in this order: posted messages, WM_QUIT, WM_PAINT, WM_TIMER;
// the last two only while nothing else is waiting. Waiting lets the desktop deliver its
// input (clicks, keys, close requests), which arrives as posted messages.
BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
LRESULT DispatchMessageA(const MSG* lpMsg);
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// hWnd NULL posts a message to the thread itself.
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int nExitCode);

// ---- Timers
// With a window, the identifier is the window's and an existing timer of that window
// with the same identifier is reset; the result is nonzero. With no window a new
// identifier is returned. Elapse times are clamped to USER_TIMER_MINIMUM..MAXIMUM.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);

// ---- Hooks
// Only WH_CALLWNDPROCRET. The hook runs after every window procedure call, for sent
// and for dispatched messages alike (wParam nonzero for sent ones), so that automation
// can follow queued messages such as WM_TIMER too. The newest hook runs first; each
// passes on with CallNextHookEx.
HHOOK SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId);
LRESULT CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam);
BOOL UnhookWindowsHookEx(HHOOK hhk);

// ---- Dialogs
// Creates the dialog from the template named in the module's resources (resources.h),
// sends WM_INITDIALOG to the dialog procedure, and shows the dialog when its template
// has WS_VISIBLE and it was not ended meanwhile. Dialog units convert with base units
// of 6 x 12 pixels, rounded as MulDiv does.
HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam);
// The window procedure of dialogs: the dialog procedure first; when it returns FALSE,
// WM_CLOSE becomes WM_COMMAND IDCANCEL and the rest goes to DefWindowProcA.
LRESULT DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);
// Hides the dialog and marks it ended. The loop that runs the dialog (the framework's
// DoModal) keeps the result and ends.
BOOL EndDialog(HWND hDlg, INT_PTR nResult);
// Escape sends IDCANCEL; Enter sends the focused push button's command, else the
// default push button's, else IDOK. Other messages for the dialog are dispatched.
// Returns FALSE for messages that are not for the dialog.
BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg);

// ---- Painting
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon);
int GetSystemMetrics(int nIndex);

// ---- Menus
// The window's system menu (windows with WS_SYSMENU): the desktop's Close entry, then
// whatever the program appends. The desktop offers it as the window's context menu
// (right click, Alt+Space); a choice arrives as WM_SYSCOMMAND with the entry's
// identifier. bRevert TRUE restores the default menu and returns NULL.
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);
// MF_STRING and MF_SEPARATOR items only.
BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);

// ---- Resources (see resources.h)
// The module's icon in its large (SM_CXICON) and small images; shared, never destroyed.
HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
// Copies the string, truncated to whole characters, and returns its length in bytes;
// 0 when there is no such string.
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);

// ---- Message boxes
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_ICONERROR 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONMASK 0x000000F0L

// Text and caption in the system code page (UTF-8). The answer comes from the desktop's
// message box, or when running unattended from the answers given in advance (see
// message_box.h).
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
