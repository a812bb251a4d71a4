#include "PinPadDlg.h"

#include "framework/Gdi.h"
#include "framework/Lockdown.h"
#include "framework/Log.h"
#include "framework/Reporter.h"
#include "framework/WinGeometry.h"
#include "history/PinPad.h"
#include "res/resource.h"

namespace {

constexpr UINT_PTR kPinIdleTimerId = 7;
constexpr UINT_PTR kPinShakeTimerId = 8;

// beside IDOK and IDCANCEL
constexpr INT_PTR kOpened = 100;
constexpr INT_PTR kNoTriesLeft = 101;
constexpr INT_PTR kTimedOut = 102;

const Gdiplus::ARGB kPanelColor = 0xFFF3F6F9; // the picture's own, for a keypad without it
const Gdiplus::ARGB kDotColor = 0xFF1E3A5C;   // the page's navy

} // namespace

CPinPadDlg::CPinPadDlg(std::wstring_view pin, int nIdleTime, bool bLockdown)
    : CDialog(IDD_PIN_PAD), m_entry(pin), m_nIdleTime(nIdleTime), m_bLockdown(bLockdown) {}

PinPadResult CPinPadDlg::Run() {
    switch (DoModal()) {
    case kOpened:
        return PinPadResult::Opened;
    case kNoTriesLeft:
        return PinPadResult::NoTriesLeft;
    case kTimedOut:
        return PinPadResult::TimedOut;
    default:
        return PinPadResult::Cancelled;
    }
}

CMessageMap CPinPadDlg::GetMessageMap() const {
    static const CMsgEntry map[] = {
        // void OnPaint()
        {WM_PAINT, msg::Void<&CPinPadDlg::OnPaint>},
        // BOOL OnEraseBackground(HDC hdc)
        {WM_ERASEBKGND, msg::EraseBackground<&CPinPadDlg::OnEraseBackground>},
        // void OnLButtonDown(UINT nFlags, POINT point)
        {WM_LBUTTONDOWN, msg::Mouse<&CPinPadDlg::OnLButtonDown>},
        // the same digit twice in quick succession arrives as a double-click
        {WM_LBUTTONDBLCLK, msg::Mouse<&CPinPadDlg::OnLButtonDown>},
        // void OnTimer(UINT_PTR nIDEvent)
        {WM_TIMER, msg::Timer<&CPinPadDlg::OnTimer>},
        // bool OnSysCommand(UINT nID, LPARAM lParam)
        {WM_SYSCOMMAND, msg::SysCommand<&CPinPadDlg::OnSysCommand>},
    };
    return map;
}

BOOL CPinPadDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pBackground.Load(L"Picture\\PinPad.png");
    // for assistive tools; the keypad shows no title of its own
    ::SetWindowTextW(m_hWnd, LoadResourceString(IDS_PIN_PAD_TITLE).c_str());
    const LayoutRect rc = PinPadRect(ScreenDesignScale());
    m_ptHome = {rc.left, rc.top};
    ::MoveWindow(m_hWnd, rc.left, rc.top, rc.Width(), rc.Height(), TRUE);
    RestartIdleTimer();
    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    return TRUE;
}

void CPinPadDlg::RestartIdleTimer() {
    ::KillTimer(m_hWnd, kPinIdleTimerId);
    ::SetTimer(m_hWnd, kPinIdleTimerId, static_cast<UINT>(m_nIdleTime), nullptr);
}

void CPinPadDlg::OnLButtonDown(UINT, POINT point) {
    if (m_bClosing)
        return;
    RestartIdleTimer(); // a visitor typing is not idle
    const PinKey key = PinKeyAt(point.x, point.y, ScreenDesignScale());
    switch (key) {
    case PinKey::None:
        return;
    case PinKey::Ok:
        Submit();
        return;
    case PinKey::Cancel:
        EndDialog(IDCANCEL);
        return;
    case PinKey::Clear:
        m_entry.Clear();
        break;
    case PinKey::Back:
        m_entry.Back();
        break;
    default:
        m_entry.AddDigit(static_cast<int>(key));
        break;
    }
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CPinPadDlg::OnOK() {
    if (!m_bClosing)
        Submit();
}

void CPinPadDlg::OnCancel() {
    if (!m_bClosing)
        EndDialog(IDCANCEL);
}

bool CPinPadDlg::OnSysCommand(UINT nID, LPARAM) {
    return m_bLockdown && IsRefusedWhenLocked(nID);
}

void CPinPadDlg::Submit() {
    switch (m_entry.Submit()) {
    case CPinEntry::Result::Ignored:
        return;
    case CPinEntry::Result::Opened:
        EndDialog(kOpened);
        return;
    case CPinEntry::Result::NoTriesLeft:
        LogEvent(L"History: the PIN keypad closed after %d wrong PINs", kPinTries);
        m_bClosing = true;
        break;
    case CPinEntry::Result::Wrong:
        break;
    }
    Shake();
    ::InvalidateRect(m_hWnd, nullptr, FALSE); // the entry is gone
}

void CPinPadDlg::Shake() {
    m_nShakeStep = 0;
    ::SetTimer(m_hWnd, kPinShakeTimerId, kPinShakeStepMs, nullptr);
}

void CPinPadDlg::OnShakeStep() {
    const int offset = PinShakeOffset(m_nShakeStep, ScreenDesignScale());
    ::SetWindowPos(m_hWnd, nullptr, m_ptHome.x + offset, m_ptHome.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (++m_nShakeStep < kPinShakeSteps)
        return;
    ::KillTimer(m_hWnd, kPinShakeTimerId);
    if (m_bClosing)
        EndDialog(kNoTriesLeft);
}

void CPinPadDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kPinShakeTimerId) {
        OnShakeStep();
    } else if (nIDEvent == kPinIdleTimerId) {
        ::KillTimer(m_hWnd, kPinIdleTimerId);
        // nobody has touched the keypad: the whole kiosk goes idle
        EndDialog(kTimedOut);
    }
}

BOOL CPinPadDlg::OnEraseBackground(HDC) {
    return TRUE; // the paint covers everything
}

void CPinPadDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    // composed off-screen, so the dots never flicker over the keys
    CBitmapHandle bitmap(::CreateCompatibleBitmap(dc.Get(), rc.right, rc.bottom));
    CMemoryDC memDC(dc.Get(), bitmap.Get());
    if (!bitmap || !memDC) {
        Draw(dc.Get(), rc);
        return;
    }
    Draw(memDC.Get(), rc);
    ::BitBlt(dc.Get(), 0, 0, rc.right, rc.bottom, memDC.Get(), 0, 0, SRCCOPY);
}

void CPinPadDlg::Draw(HDC hdc, const RECT& rcClient) const {
    CGpGraphics graphics(hdc);
    if (!graphics.Get())
        return;
    CGpSolidBrush panel(kPanelColor);
    Gdiplus::DllExports::GdipFillRectangleI(graphics.Get(), panel.Get(), 0, 0, rcClient.right, rcClient.bottom);
    graphics.DrawStretched(m_pBackground, rcClient);
    Gdiplus::DllExports::GdipSetSmoothingMode(graphics.Get(), Gdiplus::SmoothingModeAntiAlias);
    CGpSolidBrush dot(kDotColor);
    const DesignScale scale = ScreenDesignScale();
    for (size_t i = 0; i < m_entry.Length(); ++i) {
        const LayoutRect rc = PinDotRect(i, m_entry.Length(), scale);
        Gdiplus::DllExports::GdipFillEllipseI(graphics.Get(), dot.Get(), rc.left, rc.top, rc.Width(), rc.Height());
    }
}
