#include "VelmoDlg.h"

#include "AboutDlg.h"
#include "VisitorTexts.h"
#include "framework/Lockdown.h"
#include "framework/Log.h"
#include "framework/Reporter.h"
#include "res/resource.h"

CVelmoDlg::CVelmoDlg(const PageSettings& settings)
    : CDialog(IDD_VELMO_DIALOG), m_bLockdown(settings.bLockdown), m_clock(settings.nIdleTime),
      m_history(settings.history), m_dlgShow(*this, settings.bLockdown),
      m_hIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

CMessageMap CVelmoDlg::GetMessageMap() const {
    static const CMsgEntry map[] = {
        // bool OnSysCommand(UINT nID, LPARAM lParam)
        {WM_SYSCOMMAND, msg::SysCommand<&CVelmoDlg::OnSysCommand>},
        // void OnActivate(UINT nState, HWND hWndOther, BOOL bMinimized)
        {WM_ACTIVATE, msg::Activate<&CVelmoDlg::OnActivate>},
        // void OnPaint()
        {WM_PAINT, msg::Void<&CVelmoDlg::OnPaint>},
        // HCURSOR OnQueryDragIcon()
        {WM_QUERYDRAGICON, msg::QueryDragIcon<&CVelmoDlg::OnQueryDragIcon>},
        // BOOL OnEraseBackground(HDC hdc)
        {WM_ERASEBKGND, msg::EraseBackground<&CVelmoDlg::OnEraseBackground>},
        // void OnLButtonDown(UINT nFlags, POINT point)
        {WM_LBUTTONDOWN, msg::Mouse<&CVelmoDlg::OnLButtonDown>},
        // void OnLButtonDblClk(UINT nFlags, POINT point)
        {WM_LBUTTONDBLCLK, msg::Mouse<&CVelmoDlg::OnLButtonDblClk>},
        // void OnMouseMove(UINT nFlags, POINT point)
        {WM_MOUSEMOVE, msg::Mouse<&CVelmoDlg::OnMouseMove>},
        // BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT message)
        {WM_SETCURSOR, msg::SetCursor<&CVelmoDlg::OnSetCursor>},
        // void OnTimer(UINT_PTR nIDEvent)
        {WM_TIMER, msg::Timer<&CVelmoDlg::OnTimer>},
        // LRESULT OnPhotoTaken(WPARAM wParam, LPARAM lParam)
        {WM_PHOTO_TAKEN, msg::Raw<&CVelmoDlg::OnPhotoTaken>},
    };
    return map;
}

void CVelmoDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    m_camera.DoDataExchange(pDX);
}

BOOL CVelmoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AddAboutMenuItem();
    SetIcons();
    if (m_bLockdown)
        LockDown();
    m_pPageImage.Load(L"Picture\\PadMsg.png");
    m_pShadeImage.Load(L"Picture\\Btnshade.png");
    HideBehindLauncher();
    PrewarmHistory();
    Report(m_camera.Create(m_hWnd));
    ComputeLayout();
    RefreshBackBuffer();
    Report(m_camera.Start());
    CreatePad();
    return TRUE;
}

void CVelmoDlg::AddAboutMenuItem() {
    HMENU hSysMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!hSysMenu)
        return;
    wchar_t szAbout[128] = L"";
    if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, szAbout, ARRAYSIZE(szAbout)) > 0) {
        ::AppendMenuW(hSysMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(hSysMenu, MF_STRING, IDM_ABOUTBOX, szAbout);
    }
}

void CVelmoDlg::SetIcons() {
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
}

void CVelmoDlg::HideBehindLauncher() {
    m_rcScreen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    // far outside every screen, so nothing of the page can show before a tap
    ::MoveWindow(m_hWnd, -10000, -10000, -8080, -8920, TRUE);
    m_dlgShow.Create(IDD_DLG_SHOW);
    m_dlgShow.ShowWindow(SW_SHOW);
    ShowWindow(SW_HIDE);
    m_dlgShow.Activate();
}

void CVelmoDlg::LockDown() {
    // while still hidden: the taskbar decides on a button when a window is shown
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CVelmoDlg::ComputeLayout() {
    const StartupLayout layout = ComputeStartupLayout(m_rcScreen.right, m_rcScreen.bottom);
    m_rcPalette = ToRect(layout.palette);
    m_rcSignCapture = ToRect(layout.signCapture);
    m_camera.SetPhotoRect(ToRect(layout.photo));
    m_rcPad = ToRect(layout.pad);
}

void CVelmoDlg::CreatePad() {
    // a visitor writing on the pad is not idle
    m_padDlg.SetActivityCallback([this] { RestartIdleTimer(); });
    m_padDlg.Create(IDD_PAINT, this);
    Report(m_padDlg.BrushImageError());
    ::MoveWindow(m_padDlg.m_hWnd, m_rcPad.left, m_rcPad.top, m_rcPad.right - m_rcPad.left, m_rcPad.bottom - m_rcPad.top,
                 TRUE);
    m_padDlg.ShowWindow(SW_SHOW);
}

void CVelmoDlg::Report(UINT nText, UINT uType, UINT nCaption, const wchar_t* pszInsert) {
    if (m_bVisitorGone)
        LogEvent(L"Not shown, the kiosk is idle: %ls", VisitorText(nText, pszInsert).c_str());
    else
        ReportToVisitor(m_hWnd, nText, uType, nCaption, pszInsert);
}

void CVelmoDlg::Report(CameraFault fault) {
    if (const unsigned nText = CameraFaultText(fault))
        Report(nText);
}

void CVelmoDlg::Report(BrushError error) {
    if (const unsigned nText = BrushErrorText(error))
        Report(nText, MB_OK | MB_ICONERROR, IDS_CAPTION_ERROR, kBrushFile);
}

bool CVelmoDlg::OnSysCommand(UINT nID, LPARAM) {
    if ((nID & 0xFFF0) == SC_CLOSE && IsPageHidden())
        return true;
    if (m_bLockdown && IsRefusedWhenLocked(nID))
        return true;
    if ((nID & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
    return true;
}

// Escape, Enter, Alt+F4 and Close end the program from the visible page only:
// while the launcher stands in for it, a stray key must not end the kiosk.
// A locked-down kiosk ends only by Velmo.exe /stop.
void CVelmoDlg::OnOK() {
    if (!m_bLockdown && !IsPageHidden())
        CDialog::OnOK();
}

void CVelmoDlg::OnCancel() {
    if (!m_bLockdown && !IsPageHidden())
        CDialog::OnCancel();
}

void CVelmoDlg::OnActivate(UINT nState, HWND, BOOL) {
    // the dialog manager focuses the hidden page after start-up, and closing
    // a window may hand it the activation; the launcher takes it over
    if (nState != WA_INACTIVE && IsPageHidden())
        m_dlgShow.Activate();
}

void CVelmoDlg::RefreshBackBuffer() {
    m_bmpBackBuffer.CopyScreenRect({0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)});
}

bool CVelmoDlg::CanRestorePage() const {
    return !m_hWnd || ::IsWindowEnabled(m_hWnd);
}

void CVelmoDlg::RestorePage() {
    if (!m_hWnd)
        return;
    m_bVisitorGone = false;
    RefreshBackBuffer();
    ::MoveWindow(m_hWnd, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), TRUE);
    ShowWindow(SW_SHOW);
    // the page belongs in front of whatever else runs on the terminal
    ::SetForegroundWindow(m_hWnd);
    ::BringWindowToTop(m_hWnd);
    RestartIdleTimer();
}

void CVelmoDlg::RestartIdleTimer() {
    ::KillTimer(m_hWnd, kIdleTimerId);
    ::SetTimer(m_hWnd, kIdleTimerId, static_cast<UINT>(m_clock.IdleTime()), nullptr);
}

LRESULT CVelmoDlg::OnPhotoTaken(WPARAM, LPARAM) {
    m_camera.OnPhotoTaken();
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return 0;
}
