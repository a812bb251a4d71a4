#include "desk/RecordViewDlg.h"

#include <algorithm>

#include "desk/DeskLayout.h"
#include "desk/resource.h"
#include "framework/Gdi.h"
#include "framework/Log.h"
#include "framework/WinGeometry.h"

CRecordViewDlg::CRecordViewDlg(std::wstring path, std::wstring title)
    : CDialog(IDD_DESK_RECORD), m_strPath(std::move(path)), m_strTitle(std::move(title)) {}

CMessageMap CRecordViewDlg::GetMessageMap() const {
    static const CMsgEntry map[] = {
        // void OnPaint()
        {WM_PAINT, msg::Void<&CRecordViewDlg::OnPaint>},
        // BOOL OnEraseBackground(HDC hdc)
        {WM_ERASEBKGND, msg::EraseBackground<&CRecordViewDlg::OnEraseBackground>},
        // void OnSize(UINT nType, int cx, int cy)
        {WM_SIZE, msg::Size<&CRecordViewDlg::OnSize>},
    };
    return map;
}

BOOL CRecordViewDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ::SetWindowTextW(m_hWnd, m_strTitle.c_str());
    if (!m_picture.Load(m_strPath))
        LogEvent(L"Desk: %ls cannot be shown: not a picture the desk reads", m_strPath.c_str());
    // the picture's own size where the owner's screen has room for it
    HMONITOR hMonitor = ::MonitorFromWindow(::GetWindow(m_hWnd, GW_OWNER), MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(hMonitor, &mi);
    const RECT& work = mi.rcWork;
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)));
    const int frameX = frame.right - frame.left, frameY = frame.bottom - frame.top;
    const int width = m_picture.Loaded() ? m_picture.Width() : 480;
    const int height = m_picture.Loaded() ? m_picture.Height() : 120;
    const LayoutRect fitted = FitPicture(width, height,
                                         {0, 0, std::max(1, static_cast<int>(work.right - work.left) - frameX),
                                          std::max(1, static_cast<int>(work.bottom - work.top) - frameY)},
                                         false);
    const int cx = fitted.Width() + frameX, cy = fitted.Height() + frameY;
    ::SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - cx) / 2,
                   work.top + (work.bottom - work.top - cy) / 2, cx, cy, SWP_NOZORDER);
    return TRUE;
}

BOOL CRecordViewDlg::OnEraseBackground(HDC) {
    return TRUE; // OnPaint covers everything
}

void CRecordViewDlg::OnSize(UINT, int, int) {
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CRecordViewDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    ::FillRect(dc.Get(), &rc, ::GetSysColorBrush(COLOR_APPWORKSPACE));
    if (!m_picture.Loaded()) {
        const std::wstring text = L"This record cannot be shown: the file is not a picture the desk can read.";
        ::SetBkMode(dc.Get(), TRANSPARENT);
        ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &rc,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return;
    }
    m_picture.Draw(dc.Get(), FitPicture(m_picture.Width(), m_picture.Height(), ToLayoutRect(rc), false));
}
