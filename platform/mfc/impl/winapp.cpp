// The application object and the program's entry.
#include "desktop.h"

#include <vector>

#include "afxwin.h"
#include "current_app.h"
#include "temporary_objects.h"

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName) : m_hInstance(GetModuleHandleA(nullptr)), m_pszAppName(lpszAppName)
{
    afx::FileApp(this);
}

CWinApp::~CWinApp()
{
    afx::UnfileApp(this);
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    const afx::MessageLoopScope loop;
    MSG message;
    for (;;) {
        const BOOL result = loop.NextMessage(&message);
        if (result <= 0) {
            m_nExitCode = result == 0 ? static_cast<int>(message.wParam) : -1;
            break;
        }
        ::DispatchMessageA(&message);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return m_nExitCode;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return LoadIcon(MAKEINTRESOURCEA(nIDResource));
}

HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const
{
    return ::LoadIconA(m_hInstance, lpszResourceName);
}

int AfxWinMain(int argc, char** argv)
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    const win32::DesktopSession desktop(argc, argv);
    int exitCode;
    if (app->InitInstance()) {
        exitCode = app->Run();
    } else {
        if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
        exitCode = app->ExitInstance();
    }
    afx::ClearTemporaryObjects();
    return exitCode;
}

BOOL CString::LoadString(UINT nID)
{
    // Grows the buffer until the string surely fits (a cut keeps whole characters, so
    // it can end up to three bytes short of the buffer).
    std::vector<char> buffer(256);
    for (;;) {
        const int length = ::LoadStringA(AfxGetResourceHandle(), nID, buffer.data(), static_cast<int>(buffer.size()));
        if (static_cast<size_t>(length) + 4 < buffer.size() || buffer.size() >= (1u << 24)) {
            m_text.assign(buffer.data(), static_cast<size_t>(length));
            return length > 0;
        }
        buffer.resize(buffer.size() * 2);
    }
}
