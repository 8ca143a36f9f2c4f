// The main dialog: the live picture, the buttons Start, Stop, Intercepter, Snapshot and
// Exit, and the version entry of the system menu. It owns the capture system, the logo
// frames and the display image; its 30 ms timer runs the frame pipeline.
#pragma once

#include <afxwin.h>

#include <memory>

#include "app/logo_frames.h"
#include "app/res/resource.h"
#include "app/snapshot_pattern.h"
#include "capture/capture_system.h"
#include "image/dib_image.h"
#include "locate/logo_placer.h"

class CCaptureDialog : public CDialog {
public:
    explicit CCaptureDialog(CWnd* pParent = nullptr);
    ~CCaptureDialog() override;

    enum { IDD = IDD_CAPTURE_DIALOG };

    // For reports of an unattended run.
    const CaptureSystem& Capture() const { return m_capture; }
    const char* SnapshotPattern() const { return m_snapshotPattern; }
    const DibImage& DisplayImage() const { return m_displayImage; }
    const SnapshotResult& LastSnapshot() const { return m_lastSnapshot; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnIntercept();
    afx_msg void OnStart();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnStop();
    afx_msg void OnSnapshot();

    DECLARE_MESSAGE_MAP()

private:
    CButton m_stopButton;
    CButton m_startButton;
    CStatic m_displayArea;
    HICON m_hIcon;
    CaptureSystem m_capture;
    int m_timerRunning;
    int m_intercept;
    DibImage m_logoFrames[kLogoFrameCount];
    DibImage m_displayImage;
    std::unique_ptr<LogoPlacer> m_logoPlacer;
    RECT m_displayRect;
    char m_snapshotPattern[kPatternBytes];
    SnapshotResult m_lastSnapshot;
};
