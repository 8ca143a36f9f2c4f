// Dialogs: creation from the template, the modal loop, ending, and data exchange.
#include "afxwin.h"
#include "temporary_objects.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_pParentWnd(pParentWnd)
{}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd) return -1;
    CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    const HWND ownerWindow = owner && owner != this ? owner->m_hWnd : nullptr;
    const bool disableOwner = ownerWindow && ::IsWindowEnabled(ownerWindow);
    if (disableOwner) ::EnableWindow(ownerWindow, FALSE);

    m_nModalResult = -1;
    m_bContinueModal = true;
    const HWND dialog = ::CreateDialogParamA(AfxGetResourceHandle(), m_lpszTemplateName, ownerWindow, DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    if (dialog && m_bContinueModal) {
        if (!::IsWindowVisible(dialog)) ::ShowWindow(dialog, SW_SHOWNORMAL);
        RunModalLoop();
    }
    // Hidden before the owner takes over again, then destroyed.
    ::ShowWindow(dialog, SW_HIDE);
    if (disableOwner) ::EnableWindow(ownerWindow, TRUE);
    if (::IsWindow(dialog)) ::DestroyWindow(dialog);
    return m_nModalResult;
}

void CDialog::RunModalLoop()
{
    const afx::MessageLoopScope loop;
    MSG message;
    while (m_bContinueModal && m_hWnd) {
        const BOOL result = loop.NextMessage(&message);
        if (result <= 0) {
            // WM_QUIT ends the dialog and is passed on to the loop outside.
            if (result == 0) ::PostQuitMessage(static_cast<int>(message.wParam));
            m_nModalResult = -1;
            break;
        }
        if (!::IsDialogMessageA(m_hWnd, &message)) ::DispatchMessageA(&message);
    }
    m_bContinueModal = false;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bContinueModal = false;
    if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG) return FALSE;
    // From here on the dialog's messages go through its object.
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog->SubclassWindow(hWnd)) return FALSE;
    return dialog->OnInitDialog();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode)
{
    // Commands the dialog does not handle go on to the application.
    if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(nID, nCode);
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (pDX == nullptr || pDX->m_pDlgWnd == nullptr || rControl.m_hWnd) return;
    if (const HWND control = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC)) rControl.SubclassWindow(control);
}
