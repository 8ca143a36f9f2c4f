#include "app/capture_app.h"

#include "app/capture_dialog.h"

BEGIN_MESSAGE_MAP(CCaptureApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CCaptureApp::CCaptureApp() = default;

CCaptureApp::~CCaptureApp() = default;

BOOL CCaptureApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    CCaptureDialog dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;  // the dialog goes with this function

    // The dialog has ended: end the program without a message loop of its own.
    return FALSE;
}
