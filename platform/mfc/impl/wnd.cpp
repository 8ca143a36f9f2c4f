// Message maps, windows bound to objects, and the window procedure that routes a
// window's messages through its object.
#include <map>

#include "afxwin.h"
#include "temporary_objects.h"

namespace {

// Windows bound to objects (Attach).
std::map<HWND, CWnd*>& PermanentWindows()
{
    static std::map<HWND, CWnd*> windows;
    return windows;
}

afx::TemporaryObjects<CWnd, HWND>& TemporaryWindows()
{
    static afx::TemporaryObjects<CWnd, HWND> windows;
    return windows;
}

afx::TemporaryObjects<CDC, HDC>& TemporaryContexts()
{
    static afx::TemporaryObjects<CDC, HDC> contexts;
    return contexts;
}

afx::TemporaryObjects<CMenu, HMENU>& TemporaryMenus()
{
    static afx::TemporaryObjects<CMenu, HMENU> menus;
    return menus;
}

// The message being handled, for Default().
struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
CurrentMessage g_current;

}  // namespace

namespace afx {

void ClearTemporaryObjects()
{
    TemporaryWindows().Clear();
    TemporaryContexts().Clear();
    TemporaryMenus().Clear();
}

namespace {
int g_loopDepth = 0;
}  // namespace

MessageLoopScope::MessageLoopScope()
{
    ++g_loopDepth;
}
MessageLoopScope::~MessageLoopScope()
{
    --g_loopDepth;
}

BOOL MessageLoopScope::NextMessage(MSG* message) const
{
    if (g_loopDepth == 1 && !::PeekMessageA(message, nullptr, 0, 0, PM_NOREMOVE)) ClearTemporaryObjects();
    return ::GetMessageA(message, nullptr, 0, 0);
}

}  // namespace afx

// ---- CCmdTarget

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(UINT message, UINT code, UINT id) const
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry) {
            if (entry->nMessage != message) continue;
            if (message != WM_COMMAND || (entry->nCode == code && entry->nID <= id && id <= entry->nLastID)) {
                return entry;
            }
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode)
{
    const AFX_MSGMAP_ENTRY* entry = FindEntry(WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (entry == nullptr) return FALSE;
    entry->pfn(this, MAKEWPARAM(nID, nCode), 0);
    return TRUE;
}

// ---- CWnd

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) DestroyWindow();
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    const auto it = PermanentWindows().find(hWnd);
    return it == PermanentWindows().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == nullptr || !::IsWindow(hWnd)) return nullptr;
    if (CWnd* permanent = FromHandlePermanent(hWnd)) return permanent;
    return TemporaryWindows().For(hWnd, &CWnd::m_hWnd);
}

BOOL CWnd::Attach(HWND hWndNew)
{
    if (m_hWnd || hWndNew == nullptr || !::IsWindow(hWndNew) || FromHandlePermanent(hWndNew)) return FALSE;
    m_hWnd = hWndNew;
    PermanentWindows()[hWndNew] = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    const HWND hWnd = m_hWnd;
    if (hWnd && FromHandlePermanent(hWnd) == this) PermanentWindows().erase(hWnd);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd)) return FALSE;
    m_pfnSuper =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    if (!::GetClientRect(m_hWnd, lpRect) && lpRect) *lpRect = RECT{0, 0, 0, 0};
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}
BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return ::EnableWindow(m_hWnd, bEnable);
}
BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}
BOOL CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer)
{
    return m_hWnd ? ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer) : 0;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
    return m_hWnd ? ::KillTimer(m_hWnd, nIDEvent) : FALSE;
}
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase)
{
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}

CDC* CWnd::GetDC()
{
    return CDC::FromHandle(::GetDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* pDC)
{
    return pDC ? ::ReleaseDC(m_hWnd, pDC->m_hDC) : 0;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_hWnd ? ::PostMessageA(m_hWnd, message, wParam, lParam) : FALSE;
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND) {
        *pResult = 0;
        return OnCommand(wParam, lParam);
    }
    const AFX_MSGMAP_ENTRY* entry = FindEntry(message, 0, 0);
    if (entry == nullptr) return FALSE;
    *pResult = entry->pfn(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM)
{
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(g_current.message, g_current.wParam, g_current.lParam);
}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange exchange(this, bSaveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

void CWnd::OnPaint()
{
    Default();
}
void CWnd::OnSysCommand(UINT, LPARAM)
{
    Default();
}
void CWnd::OnTimer(UINT_PTR)
{
    Default();
}
HCURSOR CWnd::OnQueryDragIcon()
{
    return reinterpret_cast<HCURSOR>(Default());
}

void CWnd::OnWindowGone()
{
    // The main window's end ends the application's message loop.
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    Detach();
    PostNcDestroy();
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* window = CWnd::FromHandlePermanent(hWnd);
    if (window == nullptr) return ::DefWindowProcA(hWnd, message, wParam, lParam);
    const CurrentMessage outer = g_current;
    g_current = CurrentMessage{message, wParam, lParam};
    const LRESULT result = window->WindowProc(message, wParam, lParam);
    g_current = outer;
    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == window) window->OnWindowGone();
    return result;
}

// ---- CDC, CPaintDC, CMenu

CDC* CDC::FromHandle(HDC hDC)
{
    return hDC ? TemporaryContexts().For(hDC, &CDC::m_hDC) : nullptr;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_ps{}, m_hWnd(pWnd ? pWnd->m_hWnd : nullptr)
{
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
}

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    return hMenu ? TemporaryMenus().For(hMenu, &CMenu::m_hMenu) : nullptr;
}
