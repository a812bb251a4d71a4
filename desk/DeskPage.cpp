#include "desk/DeskPage.h"

#include "desk/RecordPicture.h"
#include "desk/ShareDay.h"
#include "framework/Gdi.h"
#include "framework/WinGeometry.h"

namespace {

CFontHandle MakeFont(int height, int weight) {
    LOGFONTW lf{};
    lf.lfHeight = -height;
    lf.lfWeight = weight;
    lf.lfQuality = ANTIALIASED_QUALITY;
    // linked to a CJK font on Windows, so record names show
    ::lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE);
    return CFontHandle(::CreateFontIndirectW(&lf));
}

void DrawLine(HDC hdc, const std::wstring& text, const LayoutRect& rc, UINT format) {
    RECT r = ToRect(rc);
    ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &r,
                format | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

} // namespace

std::wstring LocalTimeStamp() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    wchar_t sz[32];
    swprintf(sz, 32, L"%04u-%02u-%02u %02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
    return sz;
}

std::wstring DeskCountsText(const CDeskDayList& list) {
    std::wstring text;
    for (const DeskKioskCount& c : list.Counts())
        text += c.kiosk + L" " + std::to_wstring(c.count) + L", ";
    if (!text.empty())
        text.replace(text.size() - 2, 2, L"; ");
    text += std::to_wstring(list.Records().size()) + L" in all";
    return text;
}

std::wstring DeskCaption(const DeskRecord& record) {
    return FormatRecordTime(record.time) + L"   " + record.kiosk;
}

void DrawFrame(HDC hdc, const LayoutRect& rc, int penWidth) {
    CGdiObject<HPEN> pen(::CreatePen(PS_SOLID | PS_INSIDEFRAME, penWidth, RGB(128, 128, 128)));
    CSelectObject selectPen(hdc, pen.Get());
    CSelectObject selectBrush(hdc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
}

void DrawBlankCell(HDC hdc, const LayoutRect& rc, const std::wstring& name, int penWidth) {
    DrawFrame(hdc, rc, penWidth);
    RECT r = ToRect(rc);
    ::InflateRect(&r, -4 * penWidth, -4 * penWidth);
    ::DrawTextW(hdc, name.c_str(), static_cast<int>(name.size()), &r,
                DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
}

void DrawDeskPage(HDC hdc, const DeskPageLayout& page, const DeskPageInfo& info, const CDeskDayList& list,
                  int pageIndex) {
    // a memory DC reports the screen's size and resolution: the layout knows the page's
    RECT rcPage = ToRect(page.paper);
    ::FillRect(hdc, &rcPage, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const int nOldMode = ::SetBkMode(hdc, TRANSPARENT);
    const COLORREF oldColor = ::SetTextColor(hdc, RGB(0, 0, 0));
    const std::vector<DeskRecord>& records = list.Records();
    const int pages = DeskPageCount(records.size(), page);
    {
        CFontHandle title = MakeFont(page.titleHeight, FW_BOLD);
        CSelectObject select(hdc, title.Get());
        DrawLine(hdc, L"Sign-ins " + FormatDeskDate(list.Day()) + L"   " + info.share, page.title,
                 DT_LEFT | DT_VCENTER);
    }
    CFontHandle caption = MakeFont(page.captionHeight, FW_NORMAL);
    CSelectObject select(hdc, caption.Get());
    DrawLine(hdc,
             L"Printed " + info.printedAt + L"   page " + std::to_wstring(pageIndex + 1) + L" of " +
                 std::to_wstring(pages) + L"   " + DeskCountsText(list),
             page.subtitle, DT_LEFT | DT_VCENTER);
    if (records.empty()) {
        const LayoutRect rc{page.title.left, page.subtitle.bottom, page.title.right,
                            page.subtitle.bottom + 3 * page.captionHeight};
        DrawLine(hdc, L"Nobody signed in on this day.", rc, DT_LEFT | DT_VCENTER);
    }
    const size_t first = static_cast<size_t>(pageIndex) * static_cast<size_t>(page.perPage);
    const int penWidth = (page.dpiX + 149) / 150;
    for (size_t slot = 0; slot < static_cast<size_t>(page.perPage) && first + slot < records.size(); ++slot) {
        const DeskRecord& record = records[first + slot];
        const LayoutRect box = DeskCellPicture(page.cells, slot, page.cellArea.left, page.cellArea.top);
        CRecordPicture picture;
        if (picture.Load(DeskRecordPath(info.share, record))) {
            const LayoutRect fitted = FitPicture(picture.Width(), picture.Height(), box, true);
            picture.Draw(hdc, fitted);
            DrawFrame(hdc, fitted, penWidth);
        } else {
            DrawBlankCell(hdc, box, record.name, penWidth);
        }
        DrawLine(hdc, DeskCaption(record), DeskCellCaption(page.cells, slot, page.cellArea.left, page.cellArea.top),
                 DT_LEFT | DT_VCENTER);
    }
    ::SetTextColor(hdc, oldColor);
    ::SetBkMode(hdc, nOldMode);
}
