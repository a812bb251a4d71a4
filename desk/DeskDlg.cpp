#include "desk/DeskDlg.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "desk/DeskExport.h"
#include "desk/DeskPage.h"
#include "desk/DeskPrint.h"
#include "desk/DeskSettings.h"
#include "desk/RecordViewDlg.h"
#include "desk/ShareDay.h"
#include "desk/resource.h"
#include "framework/Com.h"
#include "framework/Log.h"
#include "framework/WinGeometry.h"

namespace {

// Cells of about 240 x 160 pixels at 96 DPI, 32 bits each: a few screens of them.
constexpr size_t kThumbnailCapacity = 300;
constexpr UINT kClockCheckMs = 30000;

DeskDate LocalToday() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay};
}

// The window's DPI where the system tells it per window (Windows 10), else the system's.
int WindowDpi(HWND hWnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto pGetDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (pGetDpiForWindow) {
        if (const UINT dpi = pGetDpiForWindow(hWnd))
            return static_cast<int>(dpi);
    }
    CClientDC dc(hWnd);
    return dc ? ::GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
}

void Place(HWND hDlg, int nID, const LayoutRect& rc) {
    ::SetWindowPos(::GetDlgItem(hDlg, nID), nullptr, rc.left, rc.top, rc.Width(), rc.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

CDeskDlg::CDeskDlg() : CDialog(IDD_DESK), m_thumbs(kThumbnailCapacity) {}

CMessageMap CDeskDlg::GetMessageMap() const {
    static const CMsgEntry map[] = {
        // void OnPaint()
        {WM_PAINT, msg::Void<&CDeskDlg::OnPaint>},
        // BOOL OnEraseBackground(HDC hdc)
        {WM_ERASEBKGND, msg::EraseBackground<&CDeskDlg::OnEraseBackground>},
        // void OnSize(UINT nType, int cx, int cy)
        {WM_SIZE, msg::Size<&CDeskDlg::OnSize>},
        // void OnGetMinMaxInfo(MINMAXINFO& info)
        {WM_GETMINMAXINFO, msg::GetMinMaxInfo<&CDeskDlg::OnGetMinMaxInfo>},
        // void OnDpiChanged(UINT nDpi, const RECT& rcSuggested)
        {WM_DPICHANGED, msg::DpiChanged<&CDeskDlg::OnDpiChanged>},
        // void OnLButtonDown(UINT nFlags, POINT point)
        {WM_LBUTTONDOWN, msg::Mouse<&CDeskDlg::OnLButtonDown>},
        // void OnMouseWheel(int nDelta, POINT screenPoint)
        {WM_MOUSEWHEEL, msg::MouseWheel<&CDeskDlg::OnMouseWheel>},
        // void OnVScroll(UINT nCode, HWND hScrollBar)
        {WM_VSCROLL, msg::Scroll<&CDeskDlg::OnVScroll>},
        // void OnTimer(UINT_PTR nIDEvent)
        {WM_TIMER, msg::Timer<&CDeskDlg::OnTimer>},
        // bool OnCommand(UINT nID, UINT nCode, HWND hCtl)
        {WM_COMMAND, msg::Command<&CDeskDlg::OnCommand>},
        // LRESULT OnNotify(int nID, NMHDR* pHeader)
        {WM_NOTIFY, msg::Notify<&CDeskDlg::OnNotify>},
        // LRESULT OnCtlColorStatic(WPARAM hdc, LPARAM hCtl)
        {WM_CTLCOLORSTATIC, msg::Raw<&CDeskDlg::OnCtlColorStatic>},
        // LRESULT OnDeskReady(WPARAM, LPARAM)
        {WM_DESK_READY, msg::Raw<&CDeskDlg::OnDeskReady>},
        // LRESULT OnJobDone(WPARAM, LPARAM pResult)
        {WM_DESK_JOB_DONE, msg::Raw<&CDeskDlg::OnJobDone>},
    };
    return map;
}

BOOL CDeskDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    HICON hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_DESK));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
    m_bannerBrush.Reset(::CreateSolidBrush(RGB(255, 236, 160)));
    m_nDpi = WindowDpi(m_hWnd);
    // a window of 1000 x 700 at 96 DPI, within the screen
    RECT rcWork{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0);
    const int cx = std::min<int>(MulDiv(1000, m_nDpi, 96), rcWork.right - rcWork.left);
    const int cy = std::min<int>(MulDiv(720, m_nDpi, 96), rcWork.bottom - rcWork.top);
    ::SetWindowPos(m_hWnd, nullptr, rcWork.left + (rcWork.right - rcWork.left - cx) / 2,
                   rcWork.top + (rcWork.bottom - rcWork.top - cy) / 2, cx, cy, SWP_NOZORDER);

    m_day = m_lastToday = LocalToday();
    std::wstring reason;
    m_strShare = ReadDeskShareFolder(reason);
    if (m_strShare.empty()) {
        LogEvent(L"Desk: %ls", reason.c_str());
        SetBanner(reason);
    } else if (!m_reader.Start(m_hWnd, WM_DESK_READY, m_strShare, m_day)) {
        SetBanner(L"The share cannot be read: the program could not start its reader.");
    }
    ShowDay(m_day);
    ::SetTimer(m_hWnd, kDeskClockTimerId, kClockCheckMs, nullptr);
    return TRUE;
}

void CDeskDlg::OnCancel() {
    // a stray Escape must not end the desk; Close, Alt+F4 and the system menu do
    if (::GetKeyState(VK_ESCAPE) < 0)
        return;
    m_reader.Stop();
    CDialog::OnCancel();
}

BOOL CDeskDlg::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN) {
        const bool bCtrl = ::GetKeyState(VK_CONTROL) < 0;
        const bool bAlt = pMsg->message == WM_SYSKEYDOWN;
        const int page = std::max(1, m_layout.grid.Height() - m_layout.cells.PitchY() / 2);
        switch (pMsg->wParam) {
        case VK_PRIOR:
            ScrollTo(m_nScroll - page);
            return TRUE;
        case VK_NEXT:
            ScrollTo(m_nScroll + page);
            return TRUE;
        case VK_HOME:
        case VK_END:
            if (!bCtrl)
                break;
            ScrollTo(pMsg->wParam == VK_HOME ? 0 : INT_MAX);
            return TRUE;
        case VK_LEFT:
        case VK_RIGHT:
            if (bAlt) {
                ShowDay(AddDays(m_day, pMsg->wParam == VK_LEFT ? -1 : 1));
                return TRUE;
            }
            if (InDatePicker(pMsg->hwnd))
                break;
            Select(m_nSelected + (pMsg->wParam == VK_LEFT ? -1 : 1));
            return TRUE;
        case VK_UP:
        case VK_DOWN:
            if (bAlt || InDatePicker(pMsg->hwnd))
                break;
            Select(m_nSelected + (pMsg->wParam == VK_UP ? -m_layout.cells.columns : m_layout.cells.columns));
            return TRUE;
        case VK_RETURN:
            // Enter opens the chosen record; without one it presses the focused button
            if (m_nSelected < 0 || InDatePicker(pMsg->hwnd))
                break;
            if (const DeskRecord* pRecord = RecordInView(static_cast<size_t>(m_nSelected)))
                OpenRecord(*pRecord);
            return TRUE;
        case VK_F5:
            m_reader.Rescan();
            return TRUE;
        case 'P':
            if (!bCtrl)
                break;
            Print();
            return TRUE;
        default:
            break;
        }
    }
    return CDialog::PreTranslateMessage(pMsg);
}

void CDeskDlg::ShowDay(const DeskDate& day) {
    const bool bNewDay = !(day == m_day) || !m_list;
    m_day = day;
    if (bNewDay) {
        m_list.reset();
        m_nScroll = 0;
        m_nSelected = -1;
    }
    m_reader.ShowDay(day);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(day.year);
    st.wMonth = static_cast<WORD>(day.month);
    st.wDay = static_cast<WORD>(day.day);
    ::SendDlgItemMessageW(m_hWnd, IDC_DATE, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    const std::wstring title = L"Velmo Desk - sign-ins " + FormatDeskDate(day);
    ::SetWindowTextW(m_hWnd, title.c_str());
    UpdateTexts();
    Layout();
}

void CDeskDlg::UpdateTexts() {
    std::wstring counts;
    if (m_strShare.empty())
        counts = L"No share folder: set [Share] Folder in Config.ini beside VelmoDesk.exe.";
    else if (!m_list)
        counts = L"Reading " + m_strShare + L" ...";
    else if (m_list->Counts().empty())
        counts = L"No kiosk folders in " + m_strShare + L" yet.";
    else
        counts = DeskCountsText(*m_list) + (m_list->Truncated() ? L" (too many to show all)" : L"");
    ::SetDlgItemTextW(m_hWnd, IDC_COUNTS, counts.c_str());
}

void CDeskDlg::SetBanner(const std::wstring& text) {
    if (text == m_strBanner)
        return;
    m_strBanner = text;
    ::SetDlgItemTextW(m_hWnd, IDC_BANNER, text.c_str());
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_BANNER), text.empty() ? SW_HIDE : SW_SHOWNA);
    Layout();
}

void CDeskDlg::Layout() {
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int scrollWidth = MulDiv(::GetSystemMetrics(SM_CXVSCROLL), m_nDpi, 96);
    m_layout = ComputeDeskViewLayout(rc.right, rc.bottom, m_nDpi, !m_strBanner.empty(), scrollWidth);
    Place(m_hWnd, IDC_PREVIOUS, m_layout.previous);
    Place(m_hWnd, IDC_TODAY, m_layout.today);
    Place(m_hWnd, IDC_NEXT, m_layout.next);
    Place(m_hWnd, IDC_DATE, m_layout.date);
    Place(m_hWnd, IDC_PRINT, m_layout.print);
    Place(m_hWnd, IDC_EXPORT, m_layout.exportButton);
    Place(m_hWnd, IDC_COUNTS, m_layout.counts);
    Place(m_hWnd, IDC_BANNER, m_layout.banner);
    Place(m_hWnd, IDC_GRID_SCROLL, m_layout.scrollBar);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(10, m_nDpi, 72);
    lf.lfQuality = ANTIALIASED_QUALITY;
    ::lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE); // linked to a CJK font, so record names show
    m_captionFont.Reset(::CreateFontIndirectW(&lf));
    ScrollTo(m_nScroll);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    RequestThumbnails();
}

LRESULT CDeskDlg::OnDeskReady(WPARAM, LPARAM) {
    if (std::optional<DeskListing> listing = m_reader.TakeListing(); listing && listing->list.Day() == m_day) {
        if (listing->dwError != ERROR_SUCCESS)
            SetBanner(listing->failedFolder + L" cannot be read (" + DescribeError(listing->dwError) +
                      L"). Showing what was read before; trying again by itself.");
        else
            SetBanner({});
        // an unreadable share keeps what was shown; a kiosk folder that fails leaves out only itself
        const bool bShareGone = listing->dwError != ERROR_SUCCESS && listing->failedFolder == m_strShare;
        if (!bShareGone && (!m_list || !m_list->SameAs(listing->list))) {
            m_list = std::move(listing->list);
            UpdateTexts();
            ScrollTo(m_nScroll);
            const RECT rcGrid = ToRect(m_layout.grid);
            ::InvalidateRect(m_hWnd, &rcGrid, FALSE);
            RequestThumbnails();
        } else if (bShareGone && !m_list) {
            m_list.emplace();
            m_list->Begin(m_day);
            m_list->End();
            UpdateTexts();
        }
    }
    std::vector<DeskThumbResult> thumbs = m_reader.TakeThumbnails();
    for (DeskThumbResult& result : thumbs)
        m_thumbs.Insert(result.job.path, result.job.stamp, std::move(result.thumb));
    if (!thumbs.empty()) {
        const RECT rcGrid = ToRect(m_layout.grid);
        ::InvalidateRect(m_hWnd, &rcGrid, FALSE);
    }
    return 0;
}

void CDeskDlg::OnSize(UINT nType, int, int) {
    if (nType != SIZE_MINIMIZED)
        Layout();
}

void CDeskDlg::OnGetMinMaxInfo(MINMAXINFO& info) {
    RECT rc{0, 0, DeskViewMinWidth(m_nDpi), MulDiv(300, m_nDpi, 96)};
    ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)));
    info.ptMinTrackSize = {rc.right - rc.left, rc.bottom - rc.top};
}

void CDeskDlg::OnDpiChanged(UINT nDpi, const RECT& rcSuggested) {
    m_nDpi = static_cast<int>(nDpi);
    ::SetWindowPos(m_hWnd, nullptr, rcSuggested.left, rcSuggested.top, rcSuggested.right - rcSuggested.left,
                   rcSuggested.bottom - rcSuggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

void CDeskDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent != kDeskClockTimerId)
        return;
    const DeskDate today = LocalToday();
    const DeskDate day = DayAfterClockCheck(m_day, m_lastToday, today);
    m_lastToday = today;
    if (!(day == m_day))
        ShowDay(day);
}

bool CDeskDlg::OnCommand(UINT nID, UINT nCode, HWND) {
    if (nCode != BN_CLICKED)
        return false;
    switch (nID) {
    case IDC_PREVIOUS:
        ShowDay(AddDays(m_day, -1));
        return true;
    case IDC_NEXT:
        ShowDay(AddDays(m_day, 1));
        return true;
    case IDC_TODAY:
        ShowDay(LocalToday());
        return true;
    case IDC_PRINT:
        Print();
        return true;
    case IDC_EXPORT:
        Export();
        return true;
    default:
        return false;
    }
}

LRESULT CDeskDlg::OnNotify(int nID, NMHDR* pHeader) {
    if (nID == IDC_DATE && pHeader->code == DTN_DATETIMECHANGE) {
        const auto* pChange = reinterpret_cast<const NMDATETIMECHANGE*>(pHeader);
        const DeskDate day{pChange->st.wYear, pChange->st.wMonth, pChange->st.wDay};
        if (pChange->dwFlags == GDT_VALID && !(day == m_day))
            ShowDay(day);
    }
    return 0;
}

LRESULT CDeskDlg::OnCtlColorStatic(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(lParam) != ::GetDlgItem(m_hWnd, IDC_BANNER))
        return reinterpret_cast<LRESULT>(::DefWindowProcW(m_hWnd, WM_CTLCOLORSTATIC, wParam, lParam));
    ::SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 236, 160));
    return reinterpret_cast<LRESULT>(m_bannerBrush.Get());
}

void CDeskDlg::OpenRecord(const DeskRecord& record) {
    CRecordViewDlg view(DeskRecordPath(m_strShare, record),
                        FormatDeskDate(m_day) + L" " + DeskCaption(record) + L" - " + record.name);
    view.DoModal();
}

void CDeskDlg::Print() {
    if (!m_list || m_bJobRunning)
        return;
    auto printer = std::make_shared<CDC>(ChoosePrinter(m_hWnd));
    if (!*printer)
        return;
    StartJob([printer, share = m_strShare, list = *m_list] { return PrintDay(*printer, share, list); });
}

void CDeskDlg::StartJob(std::function<DeskJobResult()> job) {
    m_bJobRunning = StartDeskJob(m_hWnd, WM_DESK_JOB_DONE, std::move(job));
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_PRINT), !m_bJobRunning);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_EXPORT), !m_bJobRunning);
}

LRESULT CDeskDlg::OnJobDone(WPARAM, LPARAM lParam) {
    const std::unique_ptr<DeskJobResult> result = TakeDeskJobResult(lParam);
    m_bJobRunning = false;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_PRINT), TRUE);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_EXPORT), TRUE);
    if (result)
        ::MessageBoxW(m_hWnd, result->line.c_str(), L"Velmo Desk",
                      MB_OK | (result->bDone ? MB_ICONINFORMATION : MB_ICONWARNING));
    return 0;
}

void CDeskDlg::Export() {
    if (m_strShare.empty() || m_bJobRunning)
        return;
    CCoInitialize com;
    BROWSEINFOW bi{};
    bi.hwndOwner = m_hWnd;
    const std::wstring title = L"Export the sign-ins of " + FormatDeskDate(m_day) + L" into:";
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE pidl = ::SHBrowseForFolderW(&bi);
    if (!pidl)
        return;
    wchar_t szFolder[MAX_PATH] = L"";
    const BOOL bPath = ::SHGetPathFromIDListW(pidl, szFolder);
    ::CoTaskMemFree(pidl);
    if (!bPath)
        return;
    StartJob([share = m_strShare, day = m_day, folder = std::wstring(szFolder)] {
        const DeskExportResult result = ExportDay(share, day, folder);
        LogEvent(L"Desk: export of %ls: %ls", FormatDeskDate(day).c_str(), result.line.c_str());
        return DeskJobResult{result.nExitCode == kDeskExitWritten, result.line};
    });
}
