// Presses, moves, the pen cursor and the idle timer of the sign-in page.
#include "VelmoDlg.h"

#include "history/HistoryDlg.h"
#include "records/HistoryVisit.h"
#include <optional>
#include "res/resource.h"

namespace {
const COLORREF g_paletteColors[kPaletteCells] = {
    RGB(0, 0, 0),     RGB(249, 9, 9),   RGB(37, 145, 13), RGB(238, 205, 21),  RGB(0, 165, 200),   RGB(15, 0, 130),
    RGB(223, 58, 0),  RGB(136, 0, 144), RGB(0, 150, 168), RGB(255, 255, 255), RGB(238, 194, 201), RGB(0, 255, 0),
    RGB(255, 255, 0), RGB(0, 255, 255), RGB(0, 0, 255),   RGB(255, 120, 0),   RGB(255, 0, 255),   RGB(0, 186, 255),
};

const wchar_t kHandwritingClass[] = L"#32770";
const wchar_t kHandwritingTitle[] = L"Qx输入法手写输入";
} // namespace

void CVelmoDlg::OnLButtonDown(UINT, POINT point) {
    RestartIdleTimer();
    if (!::PtInRect(&m_rcScreen, point))
        HideToPopup();
    const PressRegions regions = ComputePressRegions(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    if (regions.exit.Contains(point.x, point.y))
        HideToPopup();

    constexpr PageButton kButtons[] = {PageButton::History, PageButton::Clear, PageButton::Photo, PageButton::Save};
    for (PageButton button : kButtons) {
        const LayoutRect& rc = regions.buttons[static_cast<int>(button)];
        if (rc.Contains(point.x, point.y)) {
            PressButton(button, rc);
            return;
        }
    }
    if (::PtInRect(&m_rcPalette, point))
        m_padDlg.SetPenColor(PickPaletteColor(point));
}

// The dialog class asks for double-clicks, so a quick second tap arrives as
// one: a press like any other, except on Photo, where it belongs to the first
// tap and must not bring the live preview back over the photo just taken.
void CVelmoDlg::OnLButtonDblClk(UINT nFlags, POINT point) {
    const PressRegions regions = ComputePressRegions(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    if (regions.buttons[static_cast<int>(PageButton::Photo)].Contains(point.x, point.y)) {
        RestartIdleTimer();
        return;
    }
    OnLButtonDown(nFlags, point);
}

void CVelmoDlg::PressButton(PageButton button, const LayoutRect& rc) {
    if (button == PageButton::History)
        ::KillTimer(m_hWnd, kIdleTimerId); // stays stopped while the history is open
    m_rcPressed = ToRect(rc);
    ::InvalidateRect(m_hWnd, &m_rcPressed, TRUE);
    // no record is deleted while the history shows them
    std::optional<CHistoryVisit> historyVisit;
    if (button == PageButton::History)
        historyVisit.emplace();
    switch (button) {
    case PageButton::History: {
        CHistoryDlg dlg(*this);
        dlg.DoModal();
        // only the history's own idle timeout hides the page while it is open
        if (::IsWindowVisible(m_hWnd))
            RestartIdleTimer();
        else
            ResetForNextVisitor();
        break;
    }
    case PageButton::Clear:
        m_padDlg.ClearStrokes();
        break;
    case PageButton::Save:
        if (SaveSignIn() == SaveResult::Failed) {
            // the signature stays, so the visitor can simply press Save again
            ::MessageBoxW(m_hWnd, L"签到没有保存成功。您的签名还在，请再按一次“保存”。", L"Velmo",
                          MB_OK | MB_ICONWARNING);
            RestartIdleTimer();
            break;
        }
        m_padDlg.ClearStrokes(); // also when the press was ignored
        PrewarmHistory();        // the new record moved every picture a cell on
        break;
    case PageButton::Photo:
        if (IsPreviewStopped()) {
            StartLivePreview();
        } else {
            // the displayed photo lets go of the file before it is rewritten
            m_pPhotoImage.Reset();
            g_GrabberCB.RequestPhoto(&m_capture);
        }
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    }
}

void CVelmoDlg::StartLivePreview() {
    m_previewFrame.ShowWindow(SW_SHOW);
    m_capture.m_video.StartPreview(static_cast<int>(::SendMessageW(m_cameraList.m_hWnd, CB_GETCURSEL, 0, 0)),
                                   m_previewFrame.m_hWnd);
}

void CVelmoDlg::ResetForNextVisitor() {
    m_padDlg.ClearStrokes();
    g_GrabberCB.CancelPhoto();
    const bool bPhotoShown = m_pPhotoImage.Get() != nullptr;
    m_pPhotoImage.Reset();
    ForgetPhotoFile();
    // a camera that took the photo is live again; one that failed is retried
    // by the next visitor's Photo press, not by a box on an idle kiosk
    if (bPhotoShown && IsPreviewStopped())
        StartLivePreview();
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
    CHistoryDlg::Prewarm();
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
    if (nIDEvent != kIdleTimerId)
        return;
    ::KillTimer(m_hWnd, kIdleTimerId);
    // nobody has touched the page for the idle time: give the kiosk back to
    // the launcher, as the history does when left alone
    if (::IsWindowVisible(m_hWnd) && ::IsWindowEnabled(m_hWnd)) {
        HideToPopup();
        ResetForNextVisitor();
    }
}
