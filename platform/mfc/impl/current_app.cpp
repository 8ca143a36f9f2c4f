// The application object of the process: the one piece of state that the application,
// windows and dialogs share. It calls none of them.
#include "current_app.h"

namespace {
CWinApp* g_app = nullptr;
}  // namespace

namespace afx {

void FileApp(CWinApp* app)
{
    if (g_app == nullptr) g_app = app;
}

void UnfileApp(CWinApp* app)
{
    if (g_app == app) g_app = nullptr;
}

}  // namespace afx

CWinApp* AfxGetApp()
{
    return g_app;
}

CWnd* AfxGetMainWnd()
{
    return g_app ? g_app->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_app ? g_app->m_hInstance : GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetInstanceHandle();
}
