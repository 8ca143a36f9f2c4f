#include "app/version_dialog.h"

CVersionDialog::CVersionDialog() : CDialog(CVersionDialog::IDD) {}

CVersionDialog::~CVersionDialog() = default;

void CVersionDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}

BEGIN_MESSAGE_MAP(CVersionDialog, CDialog)
END_MESSAGE_MAP()
