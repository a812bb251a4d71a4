#include "desk/DeskDlg.h"

#include <algorithm>

#include "desk/DeskPage.h"
#include "desk/ShareDay.h"
#include "desk/resource.h"
#include "framework/WinGeometry.h"

// The grid of the day's sign-ins: scrolling, the chosen cell, the pictures
// asked of the reader, and painting.

void CDeskDlg::ScrollTo(int nScroll) {
    const size_t n = m_list ? m_list->Records().size() : 0;
    const int nMax = DeskMaxScroll(m_layout.cells, n, m_layout.grid.Height());
    nScroll = std::clamp(nScroll, 0, nMax);
    SCROLLINFO si{sizeof(si),
                  SIF_ALL | SIF_DISABLENOSCROLL,
                  0,
                  DeskGridContentHeight(m_layout.cells, n) - 1,
                  static_cast<UINT>(std::max(m_layout.grid.Height(), 0)),
                  nScroll,
                  0};
    ::SetScrollInfo(::GetDlgItem(m_hWnd, IDC_GRID_SCROLL), SB_CTL, &si, TRUE);
    if (nScroll == m_nScroll)
        return;
    m_nScroll = nScroll;
    const RECT rcGrid = ToRect(m_layout.grid);
    ::InvalidateRect(m_hWnd, &rcGrid, FALSE);
    RequestThumbnails();
}

bool CDeskDlg::InDatePicker(HWND hWnd) const {
    const HWND hDate = ::GetDlgItem(m_hWnd, IDC_DATE);
    return hWnd == hDate || ::IsChild(hDate, hWnd);
}

void CDeskDlg::Select(std::ptrdiff_t v) {
    const size_t n = m_list ? m_list->Records().size() : 0;
    if (n == 0)
        return;
    m_nSelected = std::clamp<std::ptrdiff_t>(m_nSelected < 0 ? 0 : v, 0, static_cast<std::ptrdiff_t>(n) - 1);
    // brought into view, whole
    const LayoutRect cell = DeskCellPicture(m_layout.cells, static_cast<size_t>(m_nSelected), 0, 0);
    const int bottom = cell.bottom + m_layout.cells.captionHeight + m_layout.cells.gapY;
    if (cell.top - m_layout.cells.gapY < m_nScroll)
        ScrollTo(cell.top - m_layout.cells.gapY);
    else if (bottom > m_nScroll + m_layout.grid.Height())
        ScrollTo(bottom - m_layout.grid.Height());
    const RECT rcGrid = ToRect(m_layout.grid);
    ::InvalidateRect(m_hWnd, &rcGrid, FALSE);
}

const DeskRecord* CDeskDlg::RecordInView(size_t v) const {
    if (!m_list || v >= m_list->Records().size())
        return nullptr;
    return &m_list->Records()[m_list->Records().size() - 1 - v];
}

ThumbnailStamp CDeskDlg::StampOf(const DeskRecord& record) const {
    return {record.size, record.lastWrite, m_layout.cells.cellWidth, m_layout.cells.pictureHeight};
}

void CDeskDlg::RequestThumbnails() {
    if (!m_list)
        return;
    const DeskGrid& grid = m_layout.cells;
    const size_t columns = static_cast<size_t>(grid.columns);
    const size_t firstRow = static_cast<size_t>(std::max(0, m_nScroll - grid.gapY) / grid.PitchY());
    // the rows in view, then a screen further down
    const size_t rows = static_cast<size_t>(m_layout.grid.Height() / grid.PitchY() + 2) * 2;
    std::vector<DeskThumbJob> jobs;
    for (size_t v = firstRow * columns; v < (firstRow + rows) * columns; ++v) {
        const DeskRecord* pRecord = RecordInView(v);
        if (!pRecord)
            break;
        const std::wstring path = DeskRecordPath(m_strShare, *pRecord);
        if (!m_thumbs.Find(path, StampOf(*pRecord)))
            jobs.push_back({path, StampOf(*pRecord)});
    }
    m_reader.WantThumbnails(std::move(jobs));
}

BOOL CDeskDlg::OnEraseBackground(HDC hdc) {
    // the grid paints all of itself; erasing it first would flicker
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int nSaved = ::SaveDC(hdc);
    ::ExcludeClipRect(hdc, m_layout.grid.left, m_layout.grid.top, m_layout.grid.right, m_layout.grid.bottom);
    ::FillRect(hdc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    ::RestoreDC(hdc, nSaved);
    return TRUE;
}

void CDeskDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    const LayoutRect& rcGrid = m_layout.grid;
    if (rcGrid.Width() <= 0 || rcGrid.Height() <= 0)
        return;
    CBitmapHandle bitmap(::CreateCompatibleBitmap(dc.Get(), rcGrid.Width(), rcGrid.Height()));
    CMemoryDC memDC(dc.Get(), bitmap.Get());
    if (!bitmap || !memDC) {
        DrawGrid(dc.Get(), rcGrid);
        return;
    }
    ::SetViewportOrgEx(memDC.Get(), -rcGrid.left, -rcGrid.top, nullptr);
    DrawGrid(memDC.Get(), rcGrid);
    ::SetViewportOrgEx(memDC.Get(), 0, 0, nullptr);
    ::BitBlt(dc.Get(), rcGrid.left, rcGrid.top, rcGrid.Width(), rcGrid.Height(), memDC.Get(), 0, 0, SRCCOPY);
}

void CDeskDlg::DrawGrid(HDC hdc, const LayoutRect& rcGrid) {
    const RECT rc = ToRect(rcGrid);
    ::FillRect(hdc, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    CSelectObject select(hdc, m_captionFont.Get());
    const int nOldMode = ::SetBkMode(hdc, TRANSPARENT);
    if (m_list && m_list->Records().empty()) {
        const std::wstring text = L"Nobody signed in on " + FormatDeskDate(m_day) + L".";
        RECT rcText = rc;
        rcText.top += MulDiv(24, m_nDpi, 96);
        ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &rcText, DT_CENTER | DT_TOP | DT_NOPREFIX);
    }
    const DeskGrid& grid = m_layout.cells;
    const int top = rcGrid.top - m_nScroll;
    for (size_t v = static_cast<size_t>(std::max(0, m_nScroll - grid.gapY) / grid.PitchY()) *
                    static_cast<size_t>(grid.columns);
         ; ++v) {
        const DeskRecord* pRecord = RecordInView(v);
        const LayoutRect box = DeskCellPicture(grid, v, rcGrid.left, top);
        if (!pRecord || box.top >= rcGrid.bottom)
            break;
        DrawCell(hdc, *pRecord, box, DeskCellCaption(grid, v, rcGrid.left, top));
        if (static_cast<std::ptrdiff_t>(v) == m_nSelected) {
            const int outset = MulDiv(4, m_nDpi, 96);
            const LayoutRect cell = DeskCellCaption(grid, v, rcGrid.left, top);
            CGdiObject<HPEN> pen(::CreatePen(PS_SOLID, MulDiv(3, m_nDpi, 96), ::GetSysColor(COLOR_HIGHLIGHT)));
            CSelectObject selectPen(hdc, pen.Get());
            CSelectObject selectBrush(hdc, ::GetStockObject(NULL_BRUSH));
            ::Rectangle(hdc, box.left - outset, box.top - outset, box.right + outset, cell.bottom + outset);
        }
    }
    ::SetBkMode(hdc, nOldMode);
}

void CDeskDlg::DrawCell(HDC hdc, const DeskRecord& record, const LayoutRect& box, const LayoutRect& caption) {
    const DeskThumb* pThumb = m_thumbs.Find(DeskRecordPath(m_strShare, record), StampOf(record));
    if (!pThumb) {
        // still being read
        const RECT rc = ToRect(box);
        ::FillRect(hdc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    } else if (pThumb->pixels.empty()) {
        DrawBlankCell(hdc, box, record.name, 1);
    } else {
        const LayoutRect fitted = FitPicture(pThumb->width, pThumb->height, box, false);
        BITMAPINFO bmi{};
        bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), pThumb->width, -pThumb->height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        ::SetDIBitsToDevice(hdc, fitted.left, fitted.top, static_cast<DWORD>(pThumb->width),
                            static_cast<DWORD>(pThumb->height), 0, 0, 0, static_cast<UINT>(pThumb->height),
                            pThumb->pixels.data(), &bmi, DIB_RGB_COLORS);
        DrawFrame(hdc, fitted, 1);
    }
    const std::wstring text = DeskCaption(record);
    RECT rc = ToRect(caption);
    ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &rc,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void CDeskDlg::OnLButtonDown(UINT, POINT point) {
    if (!m_layout.grid.Contains(point.x, point.y) || !m_list)
        return;
    const std::ptrdiff_t v = DeskCellAt(m_layout.cells, m_list->Records().size(), point.x - m_layout.grid.left,
                                        point.y - m_layout.grid.top + m_nScroll);
    if (const DeskRecord* pRecord = v >= 0 ? RecordInView(static_cast<size_t>(v)) : nullptr) {
        m_nSelected = v;
        const RECT rcGrid = ToRect(m_layout.grid);
        ::InvalidateRect(m_hWnd, &rcGrid, FALSE);
        OpenRecord(*pRecord);
    }
}

void CDeskDlg::OnMouseWheel(int nDelta, POINT) {
    ScrollTo(m_nScroll - nDelta * m_layout.cells.PitchY() / (2 * WHEEL_DELTA));
}

void CDeskDlg::OnVScroll(UINT nCode, HWND hScrollBar) {
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    ::GetScrollInfo(hScrollBar, SB_CTL, &si);
    const int line = std::max(1, m_layout.cells.PitchY() / 4);
    const int page = std::max(1, m_layout.grid.Height() - m_layout.cells.PitchY() / 2);
    switch (nCode) {
    case SB_LINEUP:
        ScrollTo(m_nScroll - line);
        break;
    case SB_LINEDOWN:
        ScrollTo(m_nScroll + line);
        break;
    case SB_PAGEUP:
        ScrollTo(m_nScroll - page);
        break;
    case SB_PAGEDOWN:
        ScrollTo(m_nScroll + page);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        ScrollTo(si.nTrackPos);
        break;
    case SB_TOP:
        ScrollTo(0);
        break;
    case SB_BOTTOM:
        ScrollTo(INT_MAX);
        break;
    default:
        break;
    }
}
