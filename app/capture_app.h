// The application object: runs the main dialog and ends when it ends.
#pragma once

#include <afxwin.h>

class CCaptureApp : public CWinApp {
public:
    CCaptureApp();
    ~CCaptureApp() override;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
