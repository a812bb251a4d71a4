// CVelmoDlg: the kiosk's full-screen sign-in page. Hidden behind the
// launcher popup until a tap brings it up; runs for the life of the process.
#pragma once

#include "capture/CaptureImage.h"
#include "capture/SampleGrabberCB.h"
#include "framework/Dialog.h"
#include "framework/GdiPlus.h"
#include "framework/KioskHost.h"
#include "framework/WinGeometry.h"
#include "pad/PaintDlg.h"
#include "popup/DlgShow.h"
#include "records/BitmapEx.h"
#include "shell/Layout.h"

// Idle time in milliseconds, from Config.ini [Time] MinTime.
extern int g_nIdleTime;

constexpr UINT_PTR kIdleTimerId = 3;

// The launcher and the history reach the page only through IKioskHost, the
// camera only through ICameraReporter.
class CVelmoDlg : public CDialog, private IKioskHost, private ICameraReporter {
public:
    CVelmoDlg();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    CMessageMap GetMessageMap() const override;

private:
    bool CanRestorePage() const override;
    void RestorePage() override;
    // Also hides any handwriting-input window.
    void HideToPopup() override;
    int IdleTime() const override { return g_nIdleTime; }
    // A box owned by the page, so that the page waits under it.
    void ReportCameraError(const wchar_t* pszText) override;

    bool OnSysCommand(UINT nID, LPARAM lParam);
    void OnActivate(UINT nState, HWND hWndOther, BOOL bMinimized);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    BOOL OnEraseBackground(HDC hdc);
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnLButtonDblClk(UINT nFlags, POINT point);
    void OnMouseMove(UINT nFlags, POINT point);
    BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT message);
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnPhotoTaken(WPARAM wParam, LPARAM lParam);

    bool IsPageHidden() const { return !::IsWindowVisible(m_hWnd); }
    bool IsPreviewStopped() const { return m_capture.m_video.m_bStopped != 0; }
    bool ComposeSignIn(CBitmapEx& canvas);
    void PaintIcon();
    void ComposePage(HDC hdcBuffer);
    void PressButton(PageButton button, const LayoutRect& rc);
    void ListCameras();
    void StartLivePreview();
    // After an idle timeout: the visitor has gone, so nothing of theirs may
    // greet the next one.
    void ResetForNextVisitor();
    void AddAboutMenuItem();
    void MakeProgramFolderCurrent();
    // Takes a fresh copy of the desktop while the page is still hidden.
    void RefreshBackBuffer();
    void RestartIdleTimer();
    void PrewarmHistory();
    COLORREF PickPaletteColor(POINT pt) const;
    enum class SaveResult { Saved, Ignored, Failed };
    // Writes the sign area with the photo as a record in the SignIn folder.
    // Ignored: a press within a second of the last accepted one.
    SaveResult SaveSignIn();

    CDlgShow m_dlgShow;
    CCaptureImage m_capture;
    HICON m_hIcon;
    CBitmapEx m_bmpBackBuffer;
    CGpImage m_pPageImage;
    RECT m_rcScreen{};
    RECT m_rcPalette{};
    CWnd m_cameraList;
    CWnd m_previewFrame;
    CGpImage m_pPhotoImage;
    RECT m_rcPhoto{}, m_rcSignCapture{};
    BYTE m_bHasCamera = 0;
    CGpImage m_pShadeImage;
    RECT m_rcPressed{};
    CPaintDlg m_padDlg;
    RECT m_rcPad{};
};
