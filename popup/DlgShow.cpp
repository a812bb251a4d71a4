#include "DlgShow.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "framework/Gdi.h"
#include "framework/Lockdown.h"
#include "res/resource.h"

namespace {
constexpr UINT kMessage70A = 0x070A;
constexpr UINT kMessageActivate = WM_APP + 1;
constexpr int kDragThreshold = 3;
constexpr BYTE kOpacity = 204;

// Drawn when Picture\Show.png cannot be read: without a visible launcher the
// hidden page would have no way back.
CGpImage MakeBuiltInPicture() {
    using namespace Gdiplus;
    constexpr int cx = 160, cy = 120;
    GpBitmap* pBitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromScan0(cx, cy, 0, PixelFormat32bppARGB, nullptr, &pBitmap) != Ok)
        return {};
    CGpImage picture = CGpImage::Adopt(pBitmap);
    CGpImageGraphics graphics(picture);
    if (graphics.Get()) {
        CGpSolidBrush background(0xFF1F4E79);
        DllExports::GdipFillRectangleI(graphics.Get(), background.Get(), 0, 0, cx, cy);
        // a plain pen: shaft and nib
        CGpSolidBrush pen(0xFFFFFFFF);
        DllExports::GdipFillRectangleI(graphics.Get(), pen.Get(), 40, 56, 80, 10);
        const GpPoint nib[3] = {{30, 61}, {40, 54}, {40, 68}};
        DllExports::GdipFillPolygon2I(graphics.Get(), pen.Get(), nib, 3);
    }
    return picture;
}

// The screen's pixels in a rectangle, layered windows included; empty when
// they cannot be read.
std::vector<uint32_t> ScreenPixels(const RECT& rc) {
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0)
        return {};
    CClientDC screenDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* pBits = nullptr;
    CBitmapHandle bitmap(::CreateDIBSection(screenDC.Get(), &bi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    {
        const CMemoryDC memDC(screenDC.Get(), bitmap.Get());
        if (!bitmap || !pBits || !memDC)
            return {};
        if (!::BitBlt(memDC.Get(), 0, 0, cx, cy, screenDC.Get(), rc.left, rc.top, SRCCOPY | CAPTUREBLT))
            return {};
    }
    ::GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(pBits),
                                 static_cast<const uint32_t*>(pBits) + static_cast<size_t>(cx) * cy);
    for (uint32_t& p : pixels)
        p &= 0xFFFFFF; // the fourth byte of a screen copy means nothing
    return pixels;
}

// Milliseconds by a precise clock: the tick count moves in steps of up to
// 16 ms, too coarse to space the watch's looks 10 ms apart.
uint32_t PreciseMs() {
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    const LONGLONG f = frequency.QuadPart;
    return static_cast<uint32_t>(counter.QuadPart / f * 1000 + counter.QuadPart % f * 1000 / f);
}

} // namespace

CDlgShow::CDlgShow(IKioskHost& host, bool bLockdown) : CDialog(IDD_DLG_SHOW), m_host(host), m_bLockdown(bLockdown) {}

CMessageMap CDlgShow::GetMessageMap() const {
    static const CMsgEntry map[] = {
        // int OnCreate()
        {WM_CREATE, msg::Create<&CDlgShow::OnCreate>},
        // bool OnSysCommand(UINT nID, LPARAM lParam)
        {WM_SYSCOMMAND, msg::SysCommand<&CDlgShow::OnSysCommand>},
        // void OnLButtonDown(UINT nFlags, POINT point)
        {WM_LBUTTONDOWN, msg::Mouse<&CDlgShow::OnLButtonDown>},
        // void OnMouseMove(UINT nFlags, POINT point)
        {WM_MOUSEMOVE, msg::Mouse<&CDlgShow::OnMouseMove>},
        // void OnLButtonUp(UINT nFlags, POINT point)
        {WM_LBUTTONUP, msg::Mouse<&CDlgShow::OnLButtonUp>},
        // LRESULT OnMessage70A(WPARAM, LPARAM): answered with 0
        {kMessage70A, msg::Raw<&CDlgShow::OnMessage70A>},
        // LRESULT OnActivateLauncher(WPARAM, LPARAM): posted by Activate
        {kMessageActivate, msg::Raw<&CDlgShow::OnActivateLauncher>},
        // void OnDisplayChange()
        {WM_DISPLAYCHANGE, msg::VoidThenDefault<&CDlgShow::OnDisplayChange>},
    };
    return map;
}

void CDlgShow::LoadPicture() {
    if (!m_pImage.Load(L"Picture\\Show.png") || m_pImage.Width() == 0 || m_pImage.Height() == 0)
        m_pImage = MakeBuiltInPicture();
    m_nImageWidth = static_cast<int>(m_pImage.Width());
    m_nImageHeight = static_cast<int>(m_pImage.Height());
}

int CDlgShow::OnCreate() {
    m_blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    LoadPicture();
    RefreshLayeredWindow();
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 300, m_nImageWidth, m_nImageHeight, SWP_NOSIZE | SWP_NOMOVE);
    return 0;
}

bool CDlgShow::OnSysCommand(UINT nID, LPARAM) {
    return m_bLockdown && IsRefusedWhenLocked(nID);
}

BOOL CDlgShow::OnInitDialog() {
    CDialog::OnInitDialog();
    ::SetWindowTextW(m_hWnd, L"HideDlg");
    RefreshLayeredWindow();
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    ::MoveWindow(m_hWnd, 0, cy - (rc.bottom - rc.top), rc.right - rc.left, rc.bottom - rc.top, TRUE);
    return TRUE;
}

BOOL CDlgShow::RefreshLayeredWindow() {
    const int w = m_nImageWidth;
    const int h = m_nImageHeight;
    CClientDC dcA(m_hWnd);
    CBitmapHandle bitmap;
    if (w > 0 && h > 0) {
        // a top-down 32-bit DIB keeps the picture's alpha for the layered update
        BITMAPINFO bmi{};
        bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* pBits = nullptr;
        bitmap.Reset(::CreateDIBSection(dcA.Get(), &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    }
    const CMemoryDC memDC(dcA.Get(), bitmap.Get());
    m_blend.SourceConstantAlpha = kOpacity;
    CClientDC dcB(m_hWnd);
    RECT rcWindow;
    ::GetWindowRect(m_hWnd, &rcWindow);
    POINT ptDest{rcWindow.left, rcWindow.top};
    {
        CGpGraphics graphics(memDC.Get());
        graphics.DrawStretched(m_pImage, 0, 0, w, h);
    }
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_LAYERED))
        ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SIZE size{w, h};
    POINT ptSrc{0, 0};
    return ::UpdateLayeredWindow(m_hWnd, dcB.Get(), &ptDest, &size, memDC.Get(), &ptSrc, 0, &m_blend, ULW_ALPHA);
}

BOOL CDlgShow::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN) {
        if (pMsg->wParam == VK_RETURN)
            return FALSE;
        // a launcher must not close or trigger from the keyboard
        if (pMsg->wParam == VK_ESCAPE || pMsg->wParam == VK_SPACE)
            pMsg->wParam = 0;
    }
    if (pMsg->message == WM_SYSKEYDOWN && pMsg->wParam == VK_F4)
        return TRUE; // nor from Alt+F4
    return CDialog::PreTranslateMessage(pMsg);
}

void CDlgShow::OnLButtonDown(UINT, POINT point) {
    m_bMoved = false;
    m_ptDown = point;
    // a quick finger may leave the small launcher between two moves
    ::SetCapture(m_hWnd);
}

void CDlgShow::OnMouseMove(UINT nFlags, POINT point) {
    // only the left button alone drags, and the threshold only decides whether a drag begins
    if (nFlags != MK_LBUTTON || (!m_bMoved && abs(point.x - m_ptDown.x) <= kDragThreshold))
        return;
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    // the grab point is kept for the whole drag: the launcher stays under the finger
    MoveAlongBottomEdge(rc.left + point.x - m_ptDown.x);
    m_bMoved = true;
}

void CDlgShow::MoveAlongBottomEdge(int left) {
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    // a strip at the edge is too small for a finger, and nothing else brings the page back
    left = std::max(0, std::min(left, cx - width));
    ::MoveWindow(m_hWnd, left, cy - height, width, height, TRUE);
}

void CDlgShow::OnDisplayChange() {
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    MoveAlongBottomEdge(rc.left);
}

void CDlgShow::OnLButtonUp(UINT, POINT point) {
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    RECT rcClient;
    ::GetClientRect(m_hWnd, &rcClient);
    if (!m_bMoved && ::PtInRect(&rcClient, point)) {
        const int cx = ::GetSystemMetrics(SM_CXSCREEN);
        const int cy = ::GetSystemMetrics(SM_CYSCREEN);
        HWND h1 = ::WindowFromPoint({cx / 4, cy / 4});
        HWND h2 = ::WindowFromPoint({(3 * cx) / 4, cy / 4});
        HWND h3 = ::WindowFromPoint({cx / 2, cy / 2});
        if (h1 && h1 == h2 && h2 == h3)
            ::SetFocus(h1);
        RestoreMainWindow();
    }
    m_bMoved = false;
}

LRESULT CDlgShow::OnMessage70A(WPARAM, LPARAM) {
    return 0;
}

void CDlgShow::Activate() {
    ::PostMessageW(m_hWnd, kMessageActivate, 0, 0);
}

LRESULT CDlgShow::OnActivateLauncher(WPARAM, LPARAM) {
    // the page may have been shown since the request
    if (::IsWindowVisible(m_hWnd))
        ::SetForegroundWindow(m_hWnd);
    return 0;
}

void CDlgShow::RestoreMainWindow() {
    // a page disabled under a box of its own stays hidden
    if (!m_host.CanRestorePage() || m_watch.Watching())
        return;
    RECT rcPopup;
    ::GetWindowRect(m_hWnd, &rcPopup);
    std::vector<uint32_t> shown = ScreenPixels(rcPopup);
    ShowWindow(SW_HIDE);
    // let whatever lies behind the launcher reach the screen before the
    // screen copy, or the page's transparent parts would show the launcher
    ::RedrawWindow(::GetDesktopWindow(), &rcPopup, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    m_rcLeft = rcPopup;
    m_watch.Start(PreciseMs(), std::move(shown));
    // OnIdle brings the page once the screen no longer shows the launcher
}

uint32_t CDlgShow::OnIdle() {
    if (!m_watch.Watching())
        return kIdleDone;
    const uint32_t nNow = PreciseMs();
    if (const uint32_t nDue = m_watch.DueInMs(nNow))
        return nDue;
    if (!m_watch.Look(nNow, ScreenPixels(m_rcLeft)))
        return CLeaveWatch::kPollMs;
    // the page may have put up a box of its own meanwhile: the launcher then
    // stays, as it does for a tap under such a box
    if (m_host.CanRestorePage())
        m_host.RestorePage();
    else
        ShowWindow(SW_SHOW);
    return kIdleDone;
}
