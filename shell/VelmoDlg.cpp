#include "VelmoDlg.h"

#include "AboutDlg.h"
#include "res/resource.h"

CVelmoDlg::CVelmoDlg(const PageSettings& settings)
    : CDialog(IDD_VELMO_DIALOG), m_nIdleTime(settings.nIdleTime), m_dlgShow(*this), m_capture(*this),
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
    DDX_Control(pDX, IDC_PREVIEW_FRAME, m_previewFrame);
    DDX_Control(pDX, IDC_CAMERA_LIST, m_cameraList);
}

BOOL CVelmoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AddAboutMenuItem();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_bHasCamera = 1;
    m_pPageImage.Load(L"Picture\\PadMsg.png");
    m_pShadeImage.Load(L"Picture\\Btnshade.png");

    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    m_rcScreen = {0, 0, cx, cy};
    // far outside every screen, so nothing of the page can show before a tap
    ::MoveWindow(m_hWnd, -10000, -10000, -8080, -8920, TRUE);
    m_dlgShow.Create(IDD_DLG_SHOW);
    m_dlgShow.ShowWindow(SW_SHOW);
    ShowWindow(SW_HIDE);
    m_dlgShow.Activate();
    m_previewFrame.ShowWindow(SW_HIDE);
    PrewarmHistory();
    m_pPhotoImage.Reset();

    if (m_cameraList.m_hWnd)
        ListCameras();
    ::SendMessageW(m_cameraList.m_hWnd, CB_SETCURSEL, 0, 0);
    wchar_t szCamera[2048] = L"";
    ::GetWindowTextW(m_cameraList.m_hWnd, szCamera, ARRAYSIZE(szCamera));
    if (szCamera[0] == L'\0')
        m_bHasCamera = 0;
    m_capture.m_hNotifyWnd = m_hWnd;

    const StartupLayout layout = ComputeStartupLayout(cx, cy);
    m_rcPalette = ToRect(layout.palette);
    m_rcSignCapture = ToRect(layout.signCapture);
    m_rcPhoto = ToRect(layout.photo);
    m_rcPad = ToRect(layout.pad);

    RefreshBackBuffer();
    ::MoveWindow(m_previewFrame.m_hWnd, m_rcPhoto.left, m_rcPhoto.top, m_rcPhoto.right - m_rcPhoto.left,
                 m_rcPhoto.bottom - m_rcPhoto.top, TRUE);
    m_previewFrame.ShowWindow(SW_SHOW);
    m_capture.m_video.StartPreview(static_cast<int>(::SendMessageW(m_cameraList.m_hWnd, CB_GETCURSEL, 0, 0)),
                                   m_previewFrame.m_hWnd);

    // a visitor writing on the pad is not idle
    m_padDlg.SetActivityCallback([this] { RestartIdleTimer(); });
    m_padDlg.Create(IDD_PAINT, this);
    ::MoveWindow(m_padDlg.m_hWnd, m_rcPad.left, m_rcPad.top, m_rcPad.right - m_rcPad.left, m_rcPad.bottom - m_rcPad.top,
                 TRUE);
    m_padDlg.ShowWindow(SW_SHOW);
    return TRUE;
}

void CVelmoDlg::ListCameras() {
    // the list is sorted: each name goes to its alphabetical place
    for (const std::wstring& name : m_capture.m_video.ListDevices())
        ::SendMessageW(m_cameraList.m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void CVelmoDlg::ReportCameraError(const wchar_t* pszText) {
    ::MessageBoxW(m_hWnd, pszText, nullptr, MB_OK);
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

bool CVelmoDlg::OnSysCommand(UINT nID, LPARAM) {
    if ((nID & 0xFFF0) == SC_CLOSE && IsPageHidden())
        return true;
    if ((nID & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
    return true;
}

// Escape, Enter, Alt+F4 and Close end the program from the visible page only:
// while the launcher stands in for it, a stray key must not end the kiosk.
void CVelmoDlg::OnOK() {
    if (!IsPageHidden())
        CDialog::OnOK();
}

void CVelmoDlg::OnCancel() {
    if (!IsPageHidden())
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
    ::SetTimer(m_hWnd, kIdleTimerId, static_cast<UINT>(m_nIdleTime), nullptr);
}

LRESULT CVelmoDlg::OnPhotoTaken(WPARAM, LPARAM) {
    g_GrabberCB.CancelPhoto();
    // the graph has stopped before the photo file is read
    m_capture.m_video.StopPreview();
    m_pPhotoImage.Load(L".\\photo.bmp");
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return 0;
}
