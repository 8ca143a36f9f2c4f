#include "app/capture_dialog.h"

#include <cstring>

#include "app/end_request.h"
#include "app/pipeline_settings.h"
#include "app/program_files.h"
#include "app/version_dialog.h"
#include "output/output_set.h"

CCaptureDialog::CCaptureDialog(CWnd* pParent) : CDialog(CCaptureDialog::IDD, pParent)
{
    m_hIcon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_APP_ICON));
}

CCaptureDialog::~CCaptureDialog() = default;

void CCaptureDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_STOP, m_stopButton);
    DDX_Control(pDX, IDC_START, m_startButton);
    DDX_Control(pDX, IDC_DISPLAY, m_displayArea);
}

BEGIN_MESSAGE_MAP(CCaptureDialog, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_INTERCEPT, OnIntercept)
    ON_BN_CLICKED(IDC_START, OnStart)
    ON_WM_TIMER()
    ON_BN_CLICKED(IDC_STOP, OnStop)
    ON_BN_CLICKED(IDC_SNAPSHOT, OnSnapshot)
END_MESSAGE_MAP()

namespace {

// Appends a system-menu entry whose text is string resource `text`, when it has one.
void AppendStringEntry(CMenu& menu, UINT command, UINT text)
{
    CString entry;
    entry.LoadString(text);
    if (!entry.IsEmpty()) menu.AppendMenu(MF_STRING, command, entry);
}

}  // namespace

BOOL CCaptureDialog::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
        CString versionMenu;
        versionMenu.LoadString(IDS_VERSION_MENU);
        if (!versionMenu.IsEmpty()) {
            systemMenu->AppendMenu(MF_SEPARATOR);
            systemMenu->AppendMenu(MF_STRING, IDM_VERSION, versionMenu);
        }
        AppendStringEntry(*systemMenu, IDM_RECORD, IDS_RECORD_MENU);
        systemMenu->AppendMenu(MF_SEPARATOR);
        AppendStringEntry(*systemMenu, IDM_LOCATE_SKIN, IDS_LOCATE_SKIN_MENU);
        AppendStringEntry(*systemMenu, IDM_LOCATE_FACE, IDS_LOCATE_FACE_MENU);
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    // vosk.cfg and images\ in the working folder, or what the program found in their stead.
    const ProgramFiles& files = ProgramFilesInUse();
    ReadSnapshotPattern(files.config.c_str(), m_snapshotPattern);

    if (m_capture.Open(1, 0) < 1) {
        CDialog::OnCancel();
        return TRUE;
    }

    LoadLogoFrames(files.logoBase, m_logoFrames);
    m_logoPlacer = std::make_unique<LogoPlacer>(SkinRange{kSkinLower, kSkinUpper}, PlacementFrame(m_logoFrames),
                                                kLogoKey, StartingLocateMode());
    // Black until the first tick draws a frame.
    if (m_displayImage.SetSize(kDisplayWidth, kDisplayHeight) == 0) {
        std::memset(m_displayImage.Bits(), 0, static_cast<size_t>(m_displayImage.ImageSize()));
    }

    m_displayRect = RECT{0, 0, 0, 0};
    if (CWnd* display = GetDlgItem(IDC_DISPLAY)) {
        display->GetClientRect(&m_displayRect);
    }

    SetTimer(kTickTimer, kTickPeriodMs, nullptr);
    m_timerRunning = 1;
    m_intercept = 0;
    m_startButton.EnableWindow(FALSE);
    m_stopButton.EnableWindow(TRUE);
    EndDialogOnRequest(m_hWnd);
    return TRUE;
}

void CCaptureDialog::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_VERSION) {
        CVersionDialog versionDialog;
        versionDialog.DoModal();
    } else if ((nID & 0xFFF0) == IDM_RECORD) {
        FrameOutputs().ToggleRecording(ProgramFilesInUse().snapshotFolder, m_snapshotPattern);
    } else if ((nID & 0xFFF0) == IDM_LOCATE_SKIN || (nID & 0xFFF0) == IDM_LOCATE_FACE) {
        const LocateMode mode = (nID & 0xFFF0) == IDM_LOCATE_FACE ? LocateMode::kFace : LocateMode::kSkin;
        if (m_logoPlacer) m_logoPlacer->SetMode(mode);
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CCaptureDialog::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        const int iconWidth = GetSystemMetrics(SM_CXICON);
        const int iconHeight = GetSystemMetrics(SM_CYICON);
        CRect client;
        GetClientRect(&client);
        const int x = (client.Width() - iconWidth + 1) / 2;
        const int y = (client.Height() - iconHeight + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }

    CDialog::OnPaint();
    if (m_displayImage.ImageSize() <= 0) {
        return;
    }
    CWnd* display = GetDlgItem(IDC_DISPLAY);
    if (display == nullptr) {
        return;
    }
    CDC* dc = display->GetDC();
    CRect client;
    display->GetClientRect(&client);

    // One to one, never scaled: the control shows the image's top-left part.
    const int imageWidth = m_displayImage.Width();
    const int imageHeight = m_displayImage.Height();
    const int width = client.right <= imageWidth ? client.right : imageWidth;
    int height = imageHeight;
    int sourceY = 0;
    if (client.bottom <= imageHeight) {
        height = client.bottom;
        sourceY = imageHeight - client.bottom;  // rows count from the bottom of the image
    }
    StretchDIBits(dc->GetSafeHdc(), 0, 0, width, height, 0, sourceY, width, height, m_displayImage.Bits(),
                  m_displayImage.Info(), DIB_RGB_COLORS, SRCCOPY);
    display->ReleaseDC(dc);
}

HCURSOR CCaptureDialog::OnQueryDragIcon()
{
    return reinterpret_cast<HCURSOR>(m_hIcon);
}

void CCaptureDialog::OnStart()
{
    if (m_timerRunning == 0) {
        m_timerRunning = 1;
        SetTimer(kTickTimer, kTickPeriodMs, nullptr);
        m_startButton.EnableWindow(FALSE);
        m_stopButton.EnableWindow(TRUE);
    }
}

void CCaptureDialog::OnStop()
{
    if (m_timerRunning != 0) {
        KillTimer(kTickTimer);
        m_timerRunning = 0;
        m_startButton.EnableWindow(TRUE);
        m_stopButton.EnableWindow(FALSE);
    }
}

void CCaptureDialog::OnIntercept()
{
    m_intercept = m_intercept == 0 ? 1 : 0;
}

void CCaptureDialog::OnCancel()
{
    CDialog::OnCancel();
}
