// The application object and the program's entry.
#include "desktop.h"

#include <vector>

#include "afxwin.h"
#include "temporary_objects.h"

namespace {
CWinApp* g_app = nullptr;
}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName) : m_hInstance(GetModuleHandleA(nullptr)), m_pszAppName(lpszAppName)
{
    if (g_app == nullptr) g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

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

int CWinApp::ExitInstance() { return m_nExitCode; }

HICON CWinApp::LoadIcon(UINT nIDResource) const { return LoadIcon(MAKEINTRESOURCEA(nIDResource)); }

HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const { return ::LoadIconA(m_hInstance, lpszResourceName); }

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : GetModuleHandleA(nullptr); }

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

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
