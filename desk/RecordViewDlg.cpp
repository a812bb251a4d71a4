#include "desk/RecordViewDlg.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "desk/DeskLayout.h"
#include "desk/resource.h"
#include "framework/Gdi.h"
#include "framework/Handle.h"
#include "framework/Log.h"
#include "framework/WinGeometry.h"

namespace {

constexpr UINT WM_RECORD_READ = WM_APP + 1;

struct ReadJob {
    HWND hNotify;
    std::wstring path;
};

// Reads the record off the window's thread: a share that hangs must not
// stall the desk. Posts the picture, owned by the message, or frees it when
// the window has gone meanwhile.
DWORD WINAPI ReadThread(void* pParam) {
    const std::unique_ptr<ReadJob> job(static_cast<ReadJob*>(pParam));
    try {
        auto picture = std::make_unique<CRecordPicture>();
        if (!picture->Load(job->path))
            LogEvent(L"Desk: %ls cannot be shown: not a picture the desk reads", job->path.c_str());
        if (::PostMessageW(job->hNotify, WM_RECORD_READ, 0, reinterpret_cast<LPARAM>(picture.get())))
            picture.release();
    } catch (const std::exception&) {
    }
    return 0;
}

} // namespace

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
        // LRESULT OnRecordRead(WPARAM, LPARAM pPicture)
        {WM_RECORD_READ, msg::Raw<&CRecordViewDlg::OnRecordRead>},
    };
    return map;
}

BOOL CRecordViewDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ::SetWindowTextW(m_hWnd, m_strTitle.c_str());
    FitWindow(480, 120);
    auto job = std::make_unique<ReadJob>(ReadJob{m_hWnd, m_strPath});
    const CHandle thread(::CreateThread(nullptr, 0, ReadThread, job.get(), 0, nullptr));
    if (thread)
        job.release(); // the thread owns it now
    else
        m_bReading = false;
    return TRUE;
}

LRESULT CRecordViewDlg::OnRecordRead(WPARAM, LPARAM lParam) {
    const std::unique_ptr<CRecordPicture> picture(reinterpret_cast<CRecordPicture*>(lParam));
    m_picture = std::move(*picture);
    m_bReading = false;
    if (m_picture.Loaded())
        FitWindow(m_picture.Width(), m_picture.Height());
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
    return 0;
}

void CRecordViewDlg::FitWindow(int width, int height) {
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
    const LayoutRect fitted = FitPicture(width, height,
                                         {0, 0, std::max(1, static_cast<int>(work.right - work.left) - frameX),
                                          std::max(1, static_cast<int>(work.bottom - work.top) - frameY)},
                                         false);
    const int cx = fitted.Width() + frameX, cy = fitted.Height() + frameY;
    ::SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - cx) / 2,
                   work.top + (work.bottom - work.top - cy) / 2, cx, cy, SWP_NOZORDER);
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
        const std::wstring text = m_bReading
                                      ? L"Reading the record..."
                                      : L"This record cannot be shown: the file is not a picture the desk can read.";
        ::SetBkMode(dc.Get(), TRANSPARENT);
        ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &rc,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return;
    }
    m_picture.Draw(dc.Get(), FitPicture(m_picture.Width(), m_picture.Height(), ToLayoutRect(rc), false));
}
