// A dialog class that uses every kind of message map entry and records what happens,
// an application object, and scripts that act on a running modal dialog.
#pragma once

#include <afxwin.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/message_pump.h"
#include "tests/support/test_resources.h"

namespace mfc_test {

class CTestApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        Enable3dControlsStatic();
        return initInstance ? initInstance(*this) : FALSE;
    }
    int ExitInstance() override
    {
        events.push_back("exit");
        return CWinApp::ExitInstance();
    }
    afx_msg void OnAppCommand() { events.push_back("app command"); }

    std::function<BOOL(CTestApp&)> initInstance;
    std::vector<std::string> events;

protected:
    DECLARE_MESSAGE_MAP()
};

constexpr int kAppCommand = 4000;

class CRecordingDialog : public CDialog {
public:
    explicit CRecordingDialog(UINT templateId = test_resources::kMainDialog) : CDialog(templateId) {}
    ~CRecordingDialog() override;

    BOOL OnInitDialog() override;

    CButton m_stopButton;
    CButton m_startButton;
    CStatic m_displayArea;
    HICON m_hIcon = nullptr;
    std::vector<std::string> events;
    int ticks = 0;
    std::function<void(CRecordingDialog&)> onInit;
    // What OnSysCommand shows for the version entry.
    std::function<void()> showVersion;
    // What OnPaint draws into the display control when not minimised.
    std::function<void(CRecordingDialog&)> paintDisplay;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnStart();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnSnapshot();

    DECLARE_MESSAGE_MAP()
};

// Runs steps on a 10 ms thread timer while a dialog's modal loop runs. A step returns
// true when it is done; one that returns false is tried again on the next tick. When a
// step has waited two seconds, or the dialog is still running two seconds after the
// last step, the script gives up and posts WM_QUIT, which ends any modal loop (DoModal
// returns -1).
using Step = std::function<bool()>;

// A step that acts once.
Step Do(std::function<void()> action);

class Script {
public:
    explicit Script(std::vector<Step> steps);
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

    std::vector<Step> steps_;
    size_t next_ = 0;
    int waitedTicks_ = 0;
    UINT_PTR timer_;
};

// Clicks a control of a dialog the way a mouse click does.
void Click(HWND dialog, int id);

class FrameworkTest : public testing::Test {
protected:
    void TearDown() override;

    CTestApp app;
};

}  // namespace mfc_test
