// CVelmoDlg: the kiosk's full-screen sign-in page. Hidden behind the
// launcher popup until a tap brings it up; runs for the life of the process.
// Its parts do the work: the camera panel, the pad, the page clock and the
// record composer; the page turns messages into calls on them and paints.
#pragma once

#include "framework/Dialog.h"
#include "framework/GdiPlus.h"
#include "framework/KioskHost.h"
#include "framework/WinGeometry.h"
#include "pad/PaintDlg.h"
#include "popup/DlgShow.h"
#include "records/BitmapEx.h"
#include "shell/CameraPanel.h"
#include "shell/Layout.h"
#include "shell/PageClock.h"
#include "shell/PageSettings.h"

constexpr UINT_PTR kIdleTimerId = 3;

// The launcher reaches the page only through IKioskHost.
class CVelmoDlg : public CDialog, private IKioskHost {
public:
    explicit CVelmoDlg(const PageSettings& settings);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    CMessageMap GetMessageMap() const override;

private:
    bool CanRestorePage() const override;
    void RestorePage() override;

    bool OnSysCommand(UINT nID, LPARAM lParam);
    void OnActivate(UINT nState, HWND hWndOther, BOOL bMinimized);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    BOOL OnEraseBackground(HDC hdc);
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnLButtonDblClk(UINT nFlags, POINT point);
    void OnMouseMove(UINT nFlags, POINT point);
    bool OnPointerDown(UINT32 nPointerId, UINT nFlags, POINT ptScreen);
    bool OnPointerUpdate(UINT32 nPointerId, UINT nFlags, POINT ptScreen);
    bool OnPointerUp(UINT32 nPointerId, UINT nFlags, POINT ptScreen);
    BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT message);
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnPhotoTaken(WPARAM wParam, LPARAM lParam);
    LRESULT OnGraphNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnDeviceChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnPowerBroadcast(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    // WM_DISPLAYCHANGE and WM_DPICHANGED: the page is laid out again for the
    // screen as it is now.
    void OnScreenChange();

    // start-up, in the order OnInitDialog takes them
    void AddAboutMenuItem();
    void SetIcons();
    void HideBehindLauncher();
    // No taskbar button, and above every other window while shown.
    void LockDown();
    void ComputeLayout();
    void CreatePad();
    // The page lays itself out at a screen change: the system's own rescaling
    // of the dialogs would fight that.
    void KeepOwnLayoutOnDpiChange();

    void PressButton(PageButton button, const LayoutRect& rc);
    void OnHistoryButton();
    void OnPhotoButton();
    void OnSaveButton();
    void OnIdleTimeout();
    // The kiosk's way into its idle state; also hides any handwriting-input window.
    void HideToPopup();
    // The visitor has gone (an idle timeout): boxes over the page close, the
    // page goes behind the launcher, and nothing of theirs may greet the next
    // visitor, whether the page was shown, covered or already left.
    void GoIdle();
    // Takes a fresh copy of the desktop while the page is still hidden.
    void RefreshBackBuffer();
    void RestartIdleTimer();
    void PrewarmHistory();
    COLORREF PickPaletteColor(POINT pt) const;
    enum class SaveResult { Saved, Ignored, Failed, DisplayTooDeep };
    // Writes the sign area with the photo as a record in the SignIn folder.
    // Ignored: a press within a second of the last save that wrote a record.
    SaveResult SaveSignIn();

    void PaintIcon();
    void ComposePage(HDC hdcBuffer);
    void CopyToScreen(HDC hdc, HDC hdcBuffer);

    // The one reporter's texts, for the failures of the page's parts. Once
    // the visitor has gone they are only logged: an idle kiosk raises no box.
    void Report(UINT nText, UINT uType = MB_OK, UINT nCaption = 0, const wchar_t* pszInsert = nullptr);
    void Report(CameraFault fault);
    void Report(BrushError error);
    bool IsPageHidden() const { return !::IsWindowVisible(m_hWnd); }

    const bool m_bLockdown;
    bool m_bVisitorGone = false; // from an idle timeout until the launcher brings the page back
    CPageClock m_clock;
    HistorySettings m_history; // which records the history shows, and its PIN
    CDlgShow m_dlgShow;
    CCameraPanel m_camera; // m_capture, m_previewFrame, m_cameraList, the photo, m_bHasCamera
    HICON m_hIcon;
    CBitmapEx m_bmpBackBuffer;
    CGpImage m_pPageImage;
    RECT m_rcScreen{};
    RECT m_rcPalette{};
    RECT m_rcSignCapture{};
    CGpImage m_pShadeImage;
    RECT m_rcPressed{};
    CPaintDlg m_padDlg;
    RECT m_rcPad{};
};
