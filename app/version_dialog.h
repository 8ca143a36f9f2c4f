// The small dialog that tells the program's name and version.
#pragma once

#include <afxwin.h>

#include "app/res/resource.h"

class CVersionDialog : public CDialog {
public:
    CVersionDialog();
    ~CVersionDialog() override;

    enum { IDD = IDD_VERSION_DIALOG };

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
