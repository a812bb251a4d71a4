// The page and the system around it: screen changes and the end of the
// Windows session.
#include "VelmoDlg.h"

#include "framework/Log.h"
#include "framework/SystemFunction.h"
#include "records/RecordKeeper.h"

namespace {

const wchar_t* EndSessionReason(LPARAM lParam) {
    if (lParam & ENDSESSION_LOGOFF)
        return L"the user logs off";
    if (lParam & ENDSESSION_CLOSEAPP)
        return L"an installer or an update needs the program closed";
    return L"Windows shuts down or restarts";
}

} // namespace

// A kiosk holds nothing the session's end would lose: it never stands in the way.
LRESULT CVelmoDlg::OnQueryEndSession(WPARAM, LPARAM) {
    return TRUE;
}

// The system may end the process as soon as this returns, so what must not
// be cut short ends here: a save runs on this thread and is over by now, the
// share copier stops between two files. The camera and the windows follow as
// the message loop ends; the next start catches up as after any stop.
LRESULT CVelmoDlg::OnEndSession(WPARAM wParam, LPARAM lParam) {
    if (!wParam)
        return 0; // another program kept the session going
    LogEvent(L"End of session: %ls%ls; the kiosk ends", EndSessionReason(lParam),
             (lParam & ENDSESSION_CRITICAL) ? L" (forced)" : L"");
    StopRecordKeeping();
    ::PostQuitMessage(0);
    return 0;
}

void CVelmoDlg::KeepOwnLayoutOnDpiChange() {
    using SetBehavior = BOOL WINAPI(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    // Windows 10 1703 and later; before, dialogs were not rescaled anyway
    static const auto pSetBehavior = SystemFunction<SetBehavior>(L"user32.dll", "SetDialogDpiChangeBehavior");
    if (!pSetBehavior)
        return;
    for (const HWND hWnd : {m_hWnd, m_padDlg.m_hWnd})
        pSetBehavior(hWnd, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

void CVelmoDlg::OnScreenChange() {
    const RECT rcScreen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (::EqualRect(&rcScreen, &m_rcScreen))
        return;
    LogEvent(L"Screen: now %ldx%ld; the page is laid out again", rcScreen.right, rcScreen.bottom);
    m_rcScreen = rcScreen;
    ComputeLayout();
    // the pad replaces its surface and redraws its strokes as it is sized
    ::MoveWindow(m_padDlg.m_hWnd, m_rcPad.left, m_rcPad.top, m_rcPad.right - m_rcPad.left, m_rcPad.bottom - m_rcPad.top,
                 TRUE);
    if (IsPageHidden())
        return; // a tap takes a fresh copy of the desktop and covers the screen
    // what lies behind the page cannot be seen now: the desktop's own picture
    // stands in for it, as a tap on a bare desktop would have copied
    const CClientDC screen(nullptr);
    CBitmapHandle desktop(::CreateCompatibleBitmap(screen.Get(), m_rcScreen.right, m_rcScreen.bottom));
    if (desktop) {
        {
            const CMemoryDC dc(screen.Get(), desktop.Get());
            ::PaintDesktop(dc.Get());
        }
        m_bmpBackBuffer.Attach(desktop.Release());
    }
    ::MoveWindow(m_hWnd, 0, 0, m_rcScreen.right, m_rcScreen.bottom, TRUE);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}
