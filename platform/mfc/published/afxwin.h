// The dialog framework: the application object, windows, dialogs and their controls,
// device contexts, menus, data exchange and message maps, on the Win32 layer.
//
// A program defines one static object of a class derived from CWinApp; the framework's
// entry (AfxWinMain, called by the default main of library qm_mfc_main) starts the
// desktop, runs its InitInstance, and ends when that returns FALSE (or, when it returns
// TRUE, runs the application's message loop until WM_QUIT). Resources come from the
// registered table (win32/resources.h). Everything runs on the one user-interface thread.
#pragma once

#include <windows.h>

#include "afxmsg_.h"
#include "afxres.h"
#include "afxstr.h"

class CDC;
class CMenu;
class CWnd;
class CDataExchange;
class COccManager;

// Something that receives commands and messages through a message map.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // Runs the message map entry of WM_COMMAND for (nID, nCode); FALSE when none.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    // The first entry for the message in this object's maps, or null.
    const AFX_MSGMAP_ENTRY* FindEntry(UINT message, UINT code, UINT id) const;
};

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// A window. The object is bound to its window while attached: the window's messages go
// through the object's message map, and what the map leaves goes to the window's own
// procedure (Default). Pointers that FromHandle makes for windows without an object are
// temporary: valid until the outermost message loop next goes idle.
class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);

    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Attaches and routes the window's messages through this object.
    BOOL SubclassWindow(HWND hWnd);
    virtual BOOL DestroyWindow();

    CWnd* GetDlgItem(int nID) const;
    void GetClientRect(LPRECT lpRect) const;
    BOOL IsIconic() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int nCmdShow);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer);
    BOOL KillTimer(UINT_PTR nIDEvent);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    CDC* GetDC();
    int ReleaseDC(CDC* pDC);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    CMenu* GetSystemMenu(BOOL bRevert) const;

    // Runs DoDataExchange: FALSE moves data to the controls (and binds them).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // The message map first, then the window's own procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // The window's own procedure (the one replaced by subclassing), else DefWindowProcA.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled.
    LRESULT Default();
    // Called when the window is gone and the object detached.
    virtual void PostNcDestroy() {}
    virtual void DoDataExchange(CDataExchange* pDX);

    afx_msg void OnPaint();
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg HCURSOR OnQueryDragIcon();

    DECLARE_MESSAGE_MAP()

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    void OnWindowGone();

    WNDPROC m_pfnSuper = nullptr;
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

class CButton : public CWnd {};
class CStatic : public CWnd {};

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Binds the dialog's control nIDC to rControl (once); a missing control leaves it unbound.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// A dialog made from a template of the program's resources.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Creates the dialog (OnInitDialog runs before it is shown; ending it there returns
    // at once, unseen), disables the owner (the parent, else the main window), runs the
    // dialog's own message loop until EndDialog, destroys the window and returns the
    // EndDialog result; -1 when the dialog cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    // Binds the controls (UpdateData(FALSE)); TRUE lets the dialog choose the focus.
    virtual BOOL OnInitDialog();
    BOOL OnCmdMsg(UINT nID, int nCode) override;

protected:
    // UpdateData(TRUE), then EndDialog(IDOK).
    virtual void OnOK();
    // EndDialog(IDCANCEL).
    virtual void OnCancel();

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void RunModalLoop();

    LPCSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;
    INT_PTR m_nModalResult = -1;
    bool m_bContinueModal = false;
};

class CDC {
public:
    virtual ~CDC() = default;
    HDC m_hDC = nullptr;

    static CDC* FromHandle(HDC hDC);
    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
};

// BeginPaint on construction, EndPaint on destruction.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};

class CMenu {
public:
    HMENU m_hMenu = nullptr;

    static CMenu* FromHandle(HMENU hMenu);
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr)
    {
        return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
    }
};

// The application. Exactly one object of a derived class exists, of static storage
// duration.
class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    // The application's message loop, until WM_QUIT; returns ExitInstance().
    virtual int Run();
    virtual int ExitInstance();

    HICON LoadIcon(UINT nIDResource) const;
    HICON LoadIcon(LPCTSTR lpszResourceName) const;

    // There is no help viewer on this desktop: the command does nothing.
    afx_msg void OnHelp() {}

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance;
    LPCTSTR m_pszAppName;

protected:
    // Three-dimensional controls are the desktop's own look: no effect.
    BOOL Enable3dControlsStatic() { return TRUE; }

    DECLARE_MESSAGE_MAP()

private:
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// Hosted controls need no preparation here: no effect.
inline void AfxEnableControlContainer(COccManager* = nullptr) {}

// The program's entry: starts the desktop, runs the application's InitInstance, and
// returns the exit code. -1 when the program defines no application object.
int AfxWinMain(int argc, char** argv);
