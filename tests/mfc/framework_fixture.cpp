#include "framework_fixture.h"

#include <string>

namespace mfc_test {
namespace {

using namespace test_resources;

Script* g_script = nullptr;
constexpr int kGiveUpTicks = 200;

}  // namespace

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
    ON_COMMAND(kAppCommand, OnAppCommand)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CRecordingDialog, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(kStart, OnStart)
    ON_WM_TIMER()
    ON_COMMAND(kSnapshot, OnSnapshot)
END_MESSAGE_MAP()

CRecordingDialog::~CRecordingDialog()
{
    // The controls were unbound when the window went.
    EXPECT_EQ(nullptr, m_stopButton.m_hWnd);
    EXPECT_EQ(nullptr, m_displayArea.m_hWnd);
}

BOOL CRecordingDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    events.push_back(std::string("init") + (::IsWindowVisible(m_hWnd) ? " shown" : ""));
    if (m_hIcon) {
        SetIcon(m_hIcon, TRUE);
        SetIcon(m_hIcon, FALSE);
    }
    if (onInit) onInit(*this);
    return TRUE;
}

void CRecordingDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kStop, m_stopButton);
    DDX_Control(pDX, kStart, m_startButton);
    DDX_Control(pDX, kDisplay, m_displayArea);
}

void CRecordingDialog::OnOK()
{
    events.push_back("ok");
    CDialog::OnOK();
}

void CRecordingDialog::OnCancel()
{
    events.push_back("cancel");
    CDialog::OnCancel();
}

void CRecordingDialog::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == 16) {
        events.push_back("version");
        if (showVersion) showVersion();
    } else {
        events.push_back("syscommand " + std::to_string(nID));
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CRecordingDialog::OnPaint()
{
    if (IsIconic()) {
        events.push_back("paint iconic");
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        CRect rect;
        GetClientRect(&rect);
        const int x = (rect.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (rect.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }
    events.push_back("paint");
    CDialog::OnPaint();
    if (paintDisplay) paintDisplay(*this);
}

HCURSOR CRecordingDialog::OnQueryDragIcon()
{
    return m_hIcon;
}

void CRecordingDialog::OnStart()
{
    events.push_back("start");
}

void CRecordingDialog::OnTimer(UINT_PTR nIDEvent)
{
    ++ticks;
    EXPECT_EQ(0u, nIDEvent);
    CDialog::OnTimer(nIDEvent);
}

void CRecordingDialog::OnSnapshot()
{
    events.push_back("snapshot");
}

Step Do(std::function<void()> action)
{
    return [action] {
        action();
        return true;
    };
}

Script::Script(std::vector<Step> steps) : steps_(std::move(steps)), timer_(SetTimer(nullptr, 0, 10, &Script::Tick))
{
    g_script = this;
}

Script::~Script()
{
    KillTimer(nullptr, timer_);
    g_script = nullptr;
}

void CALLBACK Script::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    Script* script = g_script;
    if (script == nullptr) return;
    if (script->next_ < script->steps_.size() && script->steps_[script->next_]()) {
        ++script->next_;
        script->waitedTicks_ = 0;
    } else if (++script->waitedTicks_ == kGiveUpTicks) {
        ADD_FAILURE() << "script gave up at step " << script->next_;
        PostQuitMessage(99);
    }
}

void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void FrameworkTest::TearDown()
{
    // A main window's end posts WM_QUIT; nothing of a test may reach the next one.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

}  // namespace mfc_test
