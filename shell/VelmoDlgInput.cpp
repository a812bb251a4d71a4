// Presses, moves, the pen cursor and the idle timer of the sign-in page.
#include "VelmoDlg.h"

#include "framework/Log.h"
#include "framework/Reporter.h"
#include "history/HistoryDlg.h"
#include "history/PinPadDlg.h"
#include "records/HistoryVisit.h"
#include "res/resource.h"

namespace {
const COLORREF g_paletteColors[kPaletteCells] = {
    RGB(0, 0, 0),     RGB(249, 9, 9),   RGB(37, 145, 13), RGB(238, 205, 21),  RGB(0, 165, 200),   RGB(15, 0, 130),
    RGB(223, 58, 0),  RGB(136, 0, 144), RGB(0, 150, 168), RGB(255, 255, 255), RGB(238, 194, 201), RGB(0, 255, 0),
    RGB(255, 255, 0), RGB(0, 255, 255), RGB(0, 0, 255),   RGB(255, 120, 0),   RGB(255, 0, 255),   RGB(0, 186, 255),
};

const wchar_t kHandwritingClass[] = L"#32770";
const wchar_t kHandwritingTitle[] = L"Qx输入法手写输入";

// The left-column buttons from top to bottom: the first that holds the point.
const PageButton* ButtonAt(const PressRegions& regions, POINT pt) {
    static constexpr PageButton kButtons[] = {PageButton::History, PageButton::Clear, PageButton::Photo,
                                              PageButton::Save};
    for (const PageButton& button : kButtons) {
        if (regions.buttons[static_cast<int>(button)].Contains(pt.x, pt.y))
            return &button;
    }
    return nullptr;
}
} // namespace

void CVelmoDlg::OnLButtonDown(UINT, POINT point) {
    RestartIdleTimer();
    const PressRegions regions = ComputePressRegions(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    if (!::PtInRect(&m_rcScreen, point) || regions.exit.Contains(point.x, point.y))
        HideToPopup();
    if (const PageButton* pButton = ButtonAt(regions, point))
        PressButton(*pButton, regions.buttons[static_cast<int>(*pButton)]);
    else if (::PtInRect(&m_rcPalette, point))
        m_padDlg.SetPenColor(PickPaletteColor(point));
}

// The dialog class asks for double-clicks, so a quick second tap arrives as
// one: a press like any other, except on Photo, where it belongs to the first
// tap and must not bring the live preview back over the photo just taken.
void CVelmoDlg::OnLButtonDblClk(UINT nFlags, POINT point) {
    const PressRegions regions = ComputePressRegions(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    const PageButton* pButton = ButtonAt(regions, point);
    if (pButton && *pButton == PageButton::Photo)
        RestartIdleTimer();
    else
        OnLButtonDown(nFlags, point);
}

void CVelmoDlg::PressButton(PageButton button, const LayoutRect& rc) {
    if (button == PageButton::History)
        ::KillTimer(m_hWnd, kIdleTimerId); // stays stopped while the history is open
    m_rcPressed = ToRect(rc);
    ::InvalidateRect(m_hWnd, &m_rcPressed, TRUE);
    switch (button) {
    case PageButton::History:
        OnHistoryButton();
        break;
    case PageButton::Clear:
        m_padDlg.ClearStrokes();
        break;
    case PageButton::Photo:
        OnPhotoButton();
        break;
    case PageButton::Save:
        OnSaveButton();
        break;
    }
}

void CVelmoDlg::OnHistoryButton() {
    const PinPadResult pin =
        m_history.pin ? CPinPadDlg(*m_history.pin, m_clock.IdleTime(), m_bLockdown).Run() : PinPadResult::Opened;
    bool bTimedOut = pin == PinPadResult::TimedOut;
    if (pin == PinPadResult::Opened) {
        const CHistoryVisit visit; // no record is deleted while the history shows them
        CHistoryDlg dlg(m_clock.IdleTime(), m_history.nDays, m_bLockdown);
        bTimedOut = dlg.Run() == HistoryResult::TimedOut;
    }
    if (bTimedOut) {
        GoIdle();
    } else {
        RestartIdleTimer();
    }
}

void CVelmoDlg::OnPhotoButton() {
    Report(m_camera.OnPhotoButton());
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CVelmoDlg::OnSaveButton() {
    const SaveResult result = SaveSignIn();
    if (result == SaveResult::Failed || result == SaveResult::DisplayTooDeep) {
        if (result == SaveResult::DisplayTooDeep)
            Report(IDS_DISPLAY_UNKNOWN);
        // the signature stays, so the visitor can simply press Save again
        Report(IDS_SAVE_FAILED, MB_OK | MB_ICONWARNING, IDS_CAPTION_VELMO);
        RestartIdleTimer();
        return;
    }
    m_padDlg.ClearStrokes(); // also when the press was ignored
    PrewarmHistory();        // the new record moved every picture a cell on
}

void CVelmoDlg::GoIdle() {
    // a box the visitor left waits for nobody; its caller carries on as after an OK
    CloseBoxesOver(m_hWnd);
    if (!IsPageHidden())
        HideToPopup();
    // before the camera restarts: a failure now is for the log, not a box
    m_bVisitorGone = true;
    m_padDlg.ClearStrokes();
    Report(m_camera.Reset());
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

COLORREF CVelmoDlg::PickPaletteColor(POINT pt) const {
    const int cell = PaletteCellAt(ToLayoutRect(m_rcPalette), pt.x, pt.y);
    return cell < 0 ? RGB(0, 0, 0) : g_paletteColors[cell];
}

void CVelmoDlg::HideToPopup() {
    if (HWND hHandwriting = ::FindWindowW(kHandwritingClass, kHandwritingTitle))
        ::ShowWindow(hHandwriting, SW_HIDE);
    ShowWindow(SW_HIDE);
    m_dlgShow.ShowWindow(SW_SHOW);
    m_dlgShow.Activate();
    PrewarmHistory();
}

void CVelmoDlg::PrewarmHistory() {
    // idle work: a tap waits for one picture at most
    CHistoryDlg::Prewarm(m_history.nDays);
}

void CVelmoDlg::OnMouseMove(UINT, POINT) {
    RestartIdleTimer();
}

BOOL CVelmoDlg::OnSetCursor(HWND, UINT, UINT) {
    POINT pt;
    if (!::GetCursorPos(&pt) || !::PtInRect(&m_rcPad, pt))
        return FALSE;
    ::SetCursor(::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_PEN)));
    return TRUE;
}

void CVelmoDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kIdleTimerId)
        OnIdleTimeout();
}

void CVelmoDlg::OnIdleTimeout() {
    ::KillTimer(m_hWnd, kIdleTimerId);
    // nobody has touched the page for the idle time, shown, covered by a box
    // or left through the exit region: give the kiosk back to the launcher,
    // clean, as the history does when left alone
    GoIdle();
}
