// Presses, moves, the pen cursor and the idle timer of the sign-in page.
#include "VelmoDlg.h"

#include "history/HistoryDlg.h"
#include "res/resource.h"

const COLORREF g_paletteColors[kPaletteCells] = {
    RGB(0, 0, 0),     RGB(249, 9, 9),   RGB(37, 145, 13), RGB(238, 205, 21),  RGB(0, 165, 200),   RGB(15, 0, 130),
    RGB(223, 58, 0),  RGB(136, 0, 144), RGB(0, 150, 168), RGB(255, 255, 255), RGB(238, 194, 201), RGB(0, 255, 0),
    RGB(255, 255, 0), RGB(0, 255, 255), RGB(0, 0, 255),   RGB(255, 120, 0),   RGB(255, 0, 255),   RGB(0, 186, 255),
};

namespace {
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

void CVelmoDlg::PressButton(PageButton button, const LayoutRect& rc) {
    if (button == PageButton::History)
        ::KillTimer(m_hWnd, kIdleTimerId); // stays stopped while the history is open
    m_rcPressed = ToRect(rc);
    ::InvalidateRect(m_hWnd, &m_rcPressed, TRUE);
    switch (button) {
    case PageButton::History: {
        CHistoryDlg dlg;
        dlg.DoModal();
        break;
    }
    case PageButton::Clear:
        m_padDlg.ClearStrokes();
        break;
    case PageButton::Save:
        SaveSignIn();
        m_padDlg.ClearStrokes(); // also when the press was ignored
        break;
    case PageButton::Photo:
        if (IsPreviewStopped()) {
            m_previewFrame.ShowWindow(SW_SHOW);
            m_capture.m_video.StartPreview(static_cast<int>(::SendMessageW(m_cameraList.m_hWnd, CB_GETCURSEL, 0, 0)),
                                           m_previewFrame.m_hWnd);
        } else {
            // the displayed photo lets go of the file before it is rewritten
            m_pPhotoImage.Reset();
            // the order matters: the handler is published before the flag
            g_GrabberCB.m_pHandler = &m_capture;
            g_GrabberCB.m_bGrab = 1;
        }
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    }
}

COLORREF CVelmoDlg::PickPaletteColor(POINT pt) const {
    const LayoutRect palette{m_rcPalette.left, m_rcPalette.top, m_rcPalette.right, m_rcPalette.bottom};
    const int cell = PaletteCellAt(palette, pt.x, pt.y);
    return cell < 0 ? RGB(0, 0, 0) : g_paletteColors[cell];
}

void CVelmoDlg::HideToPopup() {
    if (HWND hHandwriting = ::FindWindowW(kHandwritingClass, kHandwritingTitle))
        ::ShowWindow(hHandwriting, SW_HIDE);
    ShowWindow(SW_HIDE);
    m_dlgShow.ShowWindow(SW_SHOW);
    m_dlgShow.Activate();
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
    if (::IsWindowVisible(m_hWnd) && ::IsWindowEnabled(m_hWnd))
        HideToPopup();
}
