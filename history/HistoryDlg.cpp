#include "HistoryDlg.h"

#include <optional>
#include <string>
#include <vector>

#include "framework/FileIo.h"
#include "framework/Gdi.h"
#include "framework/Handle.h"
#include "framework/Lockdown.h"
#include "framework/Log.h"
#include "framework/WinGeometry.h"
#include "history/ThumbnailCache.h"
#include "records/BmpFormat.h"
#include "res/resource.h"

namespace {

constexpr int kCaptionFontHeight = 15; // not scaled: the same on every screen

// A thumbnail is a cell-sized bitmap, 280 x 168 x 4 bytes (188 KB) at 1920 x
// 1080, one per record and cell it was shown in. Six screens of nine cover
// the rows a visitor pages through in a visit and back again, for about 10 MB.
constexpr size_t kThumbnailCapacity = 54;

// A cell's scaled picture; a null bitmap for a file that is no picture the
// kiosk reads, or that could not be read (tried again at the next paint).
struct CachedThumb {
    CBitmapHandle bitmap;
    bool bReadFailed = false;
};

// Lives as long as the program, so opening the history again decodes nothing
// that is unchanged.
CThumbnailCache<CachedThumb>& Thumbnails() {
    static CThumbnailCache<CachedThumb> s_cache(kThumbnailCapacity);
    return s_cache;
}

std::optional<ThumbnailStamp> StampOf(const std::wstring& path, const LayoutRect& cell) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return ThumbnailStamp{(uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                          (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime,
                          cell.Width(), cell.Height()};
}

std::wstring ThumbnailKey(const std::wstring& path, const LayoutRect& cell) {
    return path + L'|' + std::to_wstring(cell.left) + L',' + std::to_wstring(cell.top);
}

std::wstring_view PathOfKey(std::wstring_view key) {
    return key.substr(0, key.rfind(L'|')); // no file name holds a '|'
}

// A record as GDI+ draws it, made from the bytes the BMP reader accepted:
// GDI+ is never handed the file, which it would decode by its content
// (a metafile, a PNG claiming 50 000 x 50 000 pixels) and read a second time.
struct RecordPicture {
    std::vector<uint8_t> bytes; // the file; a kiosk's 32-bit record is drawn straight from its rows
    CBitmapHandle converted;    // any other picture, as 32-bit rows made by GDI
    CGpImage image;             // last: released before what it draws from
};

enum class PictureRead { Ready, NotAPicture, Unreadable };

// Rows of 32-bit pixels, top row first, as GDI+ draws them.
Gdiplus::GpBitmap* BitmapFromRows(int width, int rows, int stride, uint8_t* pTop) {
    Gdiplus::GpBitmap* pBitmap = nullptr;
    return Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, rows, stride, PixelFormat32bppRGB, pTop, &pBitmap) ==
                   Gdiplus::Ok
               ? pBitmap
               : nullptr;
}

PictureRead LoadRecordPicture(const std::wstring& path, RecordPicture& picture) {
    switch (ReadWholeFile(path.c_str(), kBmpMaxFileBytes, picture.bytes)) {
    case ReadFault::None:
        break;
    case ReadFault::TooLarge:
        return PictureRead::NotAPicture;
    default:
        return PictureRead::Unreadable;
    }
    const std::optional<DibView> view = ParseBmpFile(picture.bytes.data(), picture.bytes.size());
    if (!view)
        return PictureRead::NotAPicture;
    const int rows = view->height < 0 ? -view->height : view->height;
    Gdiplus::GpBitmap* pBitmap = nullptr;
    if (view->infoSize == kBmpInfoHeaderSize && view->bitCount == 32 && view->compression == kBmpCompressionRgb &&
        view->colorEntries == 0) {
        // the kiosk's own records: GDI+ draws the file's rows as they stand
        const int stride = view->width * 4;
        uint8_t* pFirst = picture.bytes.data() + view->pixelOffset;
        // a bottom-up file stores its top row last
        uint8_t* pTop = view->height > 0 ? pFirst + static_cast<size_t>(rows - 1) * stride : pFirst;
        pBitmap = BitmapFromRows(view->width, rows, view->height > 0 ? -stride : stride, pTop);
    } else {
        // every other depth, palette and header: GDI makes the 32-bit rows
        BITMAPINFO bmi{};
        bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), view->width, -rows, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* pBits = nullptr;
        CClientDC screenDC(nullptr);
        picture.converted.Reset(::CreateDIBSection(screenDC.Get(), &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
        const auto* pInfo = reinterpret_cast<const BITMAPINFO*>(picture.bytes.data() + view->infoOffset);
        if (!picture.converted || ::SetDIBits(screenDC.Get(), picture.converted.Get(), 0, static_cast<UINT>(rows),
                                              picture.bytes.data() + view->pixelOffset, pInfo, DIB_RGB_COLORS) != rows)
            return PictureRead::Unreadable;
        picture.bytes = {};
        pBitmap = BitmapFromRows(view->width, rows, view->width * 4, static_cast<uint8_t*>(pBits));
    }
    if (!pBitmap)
        return PictureRead::Unreadable;
    picture.image = CGpImage::Adopt(pBitmap);
    return PictureRead::Ready;
}

RecordTime RecordTimeOf(const SYSTEMTIME& st) {
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// In local time as it was on the day of the change, daylight saving included.
RecordTime LocalTimeOf(const FILETIME& ft) {
    SYSTEMTIME utc{}, local{};
    ::FileTimeToSystemTime(&ft, &utc);
    ::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    return RecordTimeOf(local);
}

// Lists the records of the last nDays days (0: all).
void ListRecords(CHistoryList& list, const std::wstring& folder, int nDays) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    list.BeginLoad(folder, {nDays, RecordTimeOf(now)});
    WIN32_FIND_DATAW data;
    CFindHandle find((folder + L"\\*.*").c_str(), data);
    if (find) {
        do {
            list.AddEntry(data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                          nDays > 0 ? LocalTimeOf(data.ftLastWriteTime) : RecordTime{});
        } while (find.Next(data));
    }
    list.EndLoad();
    // a record that has dropped out of the last days keeps no picture either
    if (nDays > 0)
        Thumbnails().KeepOnly([&](const std::wstring& key) { return list.Lists(PathOfKey(key)); });
}

// The records the scale-ahead works from: listed when the scale-ahead is
// armed (at start, after a save, back at the launcher), and again only when
// the folder's last-write time, which a file made, deleted or renamed in it
// moves, has changed. No handle is held on the folder, so it can still be
// removed or replaced while the kiosk runs.
class CRecordFolder {
public:
    explicit CRecordFolder(const wchar_t* pszFolder) : m_folder(pszFolder) {}

    // nDays: list only the records of the last nDays days (0: all).
    void Invalidate(int nDays) {
        m_nDays = nDays;
        m_bListed = false;
    }
    const CHistoryList& List() {
        // stamped before it is listed: a change while listing shows next time
        const std::optional<uint64_t> stamp = LastWriteOf(m_folder);
        // with days to keep to, a new day hides records that the last list showed
        const int today = m_nDays > 0 ? Today() : 0;
        if (!m_bListed || stamp != m_stamp || today != m_nListedDay) {
            m_stamp = stamp;
            m_nListedDay = today;
            ListRecords(m_list, m_folder, m_nDays);
            m_bListed = true;
        }
        return m_list;
    }

private:
    static int Today() {
        SYSTEMTIME st;
        ::GetLocalTime(&st);
        return st.wYear * 10000 + st.wMonth * 100 + st.wDay;
    }
    static std::optional<uint64_t> LastWriteOf(const std::wstring& path) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
            return std::nullopt;
        return (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    }

    std::wstring m_folder;
    int m_nDays = 0;
    int m_nListedDay = 0; // yyyymmdd, with days to keep to
    bool m_bListed = false;
    std::optional<uint64_t> m_stamp;
    CHistoryList m_list;
};

CRecordFolder& SignInFolder() {
    static CRecordFolder s_folder(L"SignIn");
    return s_folder;
}

// The history's client size on this screen, from its background picture,
// read once.
SIZE HistoryClientSize() {
    static SIZE s_size = [] {
        const CGpImage background(L"Picture\\HistoryMsg.png");
        const LayoutRect rc = HistoryDialogRect(static_cast<int>(background.Width()),
                                                static_cast<int>(background.Height()), ScreenDesignScale());
        return SIZE{rc.Width(), rc.Height()};
    }();
    return s_size;
}

} // namespace

namespace {
constexpr INT_PTR kTimedOut = 100; // beside IDOK and IDCANCEL
} // namespace

CHistoryDlg::CHistoryDlg(int nIdleTime, int nDays, bool bLockdown)
    : CDialog(IDD_HISTORY), m_nIdleTime(nIdleTime), m_nDays(nDays), m_bLockdown(bLockdown) {}

HistoryResult CHistoryDlg::Run() {
    return DoModal() == kTimedOut ? HistoryResult::TimedOut : HistoryResult::Closed;
}

CMessageMap CHistoryDlg::GetMessageMap() const {
    static const CMsgEntry map[] = {
        // void OnPaint()
        {WM_PAINT, msg::Void<&CHistoryDlg::OnPaint>},
        // void OnLButtonDown(UINT nFlags, POINT point)
        {WM_LBUTTONDOWN, msg::Mouse<&CHistoryDlg::OnLButtonDown>},
        // a quick second tap arrives as a double-click: it is a press too
        {WM_LBUTTONDBLCLK, msg::Mouse<&CHistoryDlg::OnLButtonDown>},
        // void OnTimer(UINT_PTR nIDEvent)
        {WM_TIMER, msg::Timer<&CHistoryDlg::OnTimer>},
        // bool OnSysCommand(UINT nID, LPARAM lParam)
        {WM_SYSCOMMAND, msg::SysCommand<&CHistoryDlg::OnSysCommand>},
    };
    return map;
}

void CHistoryDlg::LoadPictures() {
    m_pBackground.Load(L"Picture\\HistoryMsg.png");
    m_pThumb.Load(L"Picture\\ScrollBar.png");
}

BOOL CHistoryDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    LoadPictures();
    // the main window's screen rectangle starts at the screen's corner
    const LayoutRect rc = HistoryDialogRect(static_cast<int>(m_pBackground.Width()),
                                            static_cast<int>(m_pBackground.Height()), ScreenDesignScale());
    ::MoveWindow(m_hWnd, rc.left, rc.top, rc.Width(), rc.Height(), TRUE);
    LoadList(L"SignIn");
    ::SetTimer(m_hWnd, kHistoryTimerId, TimerPeriod(), nullptr);
    // the template is not visible and our modal loop does not show a dialog
    // by itself
    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    return TRUE;
}

void CHistoryDlg::LoadList(const wchar_t* pszFolder) {
    ListRecords(m_list, pszFolder, m_nDays);
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CHistoryDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0)
        return;
    // composed off-screen and copied once: nine decodes take long enough to
    // show the cells filling one by one
    const CBitmapHandle bitmap(::CreateCompatibleBitmap(dc.Get(), cx, cy));
    const CMemoryDC memDC(dc.Get(), bitmap.Get());
    if (!bitmap || !memDC) {
        Draw(dc.Get(), rc);
        return;
    }
    Draw(memDC.Get(), rc);
    ::BitBlt(dc.Get(), 0, 0, cx, cy, memDC.Get(), 0, 0, SRCCOPY);
    m_bPrefetch = true;
}

bool CHistoryDlg::CacheOffScreen(const std::wstring& path, const LayoutRect& cell, SIZE client) {
    // drawn off-screen where the cell lies, as a paint would draw it
    CClientDC screenDC(nullptr);
    const CBitmapHandle bitmap(::CreateCompatibleBitmap(screenDC.Get(), client.cx, client.cy));
    const CMemoryDC memDC(screenDC.Get(), bitmap.Get());
    const CMemoryDC thumbDC(screenDC.Get());
    if (!bitmap || !memDC || !thumbDC)
        return false;
    DrawPicture(memDC.Get(), thumbDC.Get(), path, cell);
    return true;
}

void CHistoryDlg::Prewarm(int nDays) {
    // one for the program's life, on the UI thread's idle list
    struct CFirstPage final : CIdleHandler {
        bool bArmed = false;
        CIdleRegistration idle{*this};
        uint32_t OnIdle() override {
            if (bArmed && PrewarmOne())
                return 0;
            bArmed = false;
            return kIdleDone;
        }
    };
    static CFirstPage s_firstPage;
    s_firstPage.bArmed = true;
    SignInFolder().Invalidate(nDays);
}

bool CHistoryDlg::PrewarmOne() {
    const SIZE client = HistoryClientSize();
    if (client.cx <= 0 || client.cy <= 0)
        return false;
    const CHistoryList& list = SignInFolder().List();
    const DesignScale scale = ScreenDesignScale();
    for (int t = 0; t < kHistoryCells; ++t) {
        const std::wstring* pPath = list.RecordForCell(t);
        if (!pPath)
            break;
        const LayoutRect cell = HistoryCellRect(t, scale);
        const std::optional<ThumbnailStamp> stamp = StampOf(*pPath, cell);
        if (!stamp || Thumbnails().Find(ThumbnailKey(*pPath, cell), *stamp))
            continue;
        return CacheOffScreen(*pPath, cell, client);
    }
    return false;
}

bool CHistoryDlg::PrefetchOne() const {
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const DesignScale scale = ScreenDesignScale();
    const std::vector<std::wstring>& files = m_list.Files();
    for (const int row : {m_list.FirstRow() + 1, m_list.FirstRow() - 1}) {
        if (row < 0 || row > m_list.MaxRow())
            continue;
        for (int t = 0; t < kHistoryCells; ++t) {
            const std::ptrdiff_t index = RecordIndexForCell(files.size(), row, t);
            if (index < 0)
                break;
            const std::wstring& path = files[static_cast<size_t>(index)];
            const LayoutRect cell = HistoryCellRect(t, scale, rc.left, rc.top);
            const std::optional<ThumbnailStamp> stamp = StampOf(path, cell);
            if (!stamp || Thumbnails().Find(ThumbnailKey(path, cell), *stamp))
                continue;
            return CacheOffScreen(path, cell, {rc.right - rc.left, rc.bottom - rc.top});
        }
    }
    return false;
}

void CHistoryDlg::Draw(HDC hdc, const RECT& rcClient) const {
    const DesignScale scale = ScreenDesignScale();
    {
        CGpGraphics graphics(hdc);
        graphics.DrawStretched(m_pBackground, rcClient);
    }
    const int clientHeight = rcClient.bottom - rcClient.top;
    // thumbnails are taken from what was drawn, so only an off-screen target
    // can give them: a window DC may hold whatever overlaps the window
    CDC thumbDC(::GetObjectType(hdc) == OBJ_MEMDC ? ::CreateCompatibleDC(hdc) : nullptr);
    for (int t = 0; t < kHistoryCells; ++t) {
        const std::wstring* pPath = m_list.RecordForCell(t);
        if (!pPath)
            break;
        DrawRecord(hdc, thumbDC.Get(), *pPath, HistoryCellRect(t, scale, rcClient.left, rcClient.top), clientHeight);
    }
    DrawThumb(hdc, rcClient);
}

void CHistoryDlg::DrawPicture(HDC hdc, HDC hdcThumb, const std::wstring& path, const LayoutRect& cell) {
    if (cell.Width() <= 0 || cell.Height() <= 0)
        return;
    // a record that has vanished since the list was read leaves its cell empty
    const std::optional<ThumbnailStamp> stamp = StampOf(path, cell);
    if (!stamp)
        return;
    // the scaled picture's edge pixels differ with where it is drawn, so a
    // thumbnail serves only the cell it was taken from
    const std::wstring key = ThumbnailKey(path, cell);
    const CachedThumb* pCached = hdcThumb ? Thumbnails().Find(key, *stamp) : nullptr;
    if (pCached && !pCached->bReadFailed) {
        if (pCached->bitmap) {
            CSelectObject select(hdcThumb, pCached->bitmap.Get());
            ::BitBlt(hdc, cell.left, cell.top, cell.Width(), cell.Height(), hdcThumb, 0, 0, SRCCOPY);
        }
        return;
    }
    // a file that is no picture leaves the cell empty, and is remembered so;
    // one that could not be read now (held by another program) is read again
    // at the next paint
    RecordPicture picture;
    const PictureRead read = LoadRecordPicture(path, picture);
    {
        // logged once, not at every paint
        if (read == PictureRead::NotAPicture)
            LogEvent(L"History: %ls is not a picture the kiosk reads", path.c_str());
        else if (read == PictureRead::Unreadable && !pCached)
            LogEvent(L"History: %ls could not be read", path.c_str());
        CGpGraphics graphics(hdc);
        if (read == PictureRead::Ready && graphics.Get())
            Gdiplus::DllExports::GdipDrawImageRectI(graphics.Get(), picture.image.Get(), cell.left, cell.top,
                                                    cell.Width(), cell.Height());
    }
    if (!hdcThumb)
        return;
    CachedThumb thumb;
    thumb.bReadFailed = read == PictureRead::Unreadable;
    if (read == PictureRead::Ready) {
        // the pictures are opaque: the cell now holds exactly the scaled picture
        thumb.bitmap.Reset(::CreateCompatibleBitmap(hdc, cell.Width(), cell.Height()));
        if (!thumb.bitmap)
            return;
        CSelectObject select(hdcThumb, thumb.bitmap.Get());
        ::BitBlt(hdcThumb, 0, 0, cell.Width(), cell.Height(), hdc, cell.left, cell.top, SRCCOPY);
    }
    Thumbnails().Insert(key, *stamp, std::move(thumb));
}

void CHistoryDlg::DrawRecord(HDC hdc, HDC hdcThumb, const std::wstring& path, const LayoutRect& cell,
                             int clientHeight) const {
    DrawPicture(hdc, hdcThumb, path, cell);
    const std::wstring caption = CaptionOf(path);
    if (caption.empty())
        return;
    RECT rc = ToRect(HistoryCaptionRect(cell, clientHeight));
    LOGFONTW lf{};
    lf.lfHeight = kCaptionFontHeight;
    ::lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE);
    CFontHandle font(::CreateFontIndirectW(&lf));
    CSelectObject select(hdc, font.Get());
    const int nOldMode = ::SetBkMode(hdc, TRANSPARENT);
    // no DT_SINGLELINE, so DT_VCENTER has no effect and the text sits at the top
    ::DrawTextW(hdc, caption.c_str(), static_cast<int>(caption.size()), &rc, DT_CENTER | DT_VCENTER);
    ::SetBkMode(hdc, nOldMode);
}

void CHistoryDlg::DrawThumb(HDC hdc, const RECT& rcClient) const {
    const int tw = static_cast<int>(m_pThumb.Width());
    const int th = static_cast<int>(m_pThumb.Height());
    if (tw <= 0 || th <= 0)
        return;
    const int ty = ThumbTop(m_list.FirstRow(), m_list.MaxRow(), rcClient.bottom - rcClient.top, th);
    CGpGraphics graphics(hdc);
    if (graphics.Get())
        Gdiplus::DllExports::GdipDrawImageRectI(graphics.Get(), m_pThumb.Get(), rcClient.right - tw, ty, tw, th);
}

UINT CHistoryDlg::TimerPeriod() const {
    // start-up keeps the idle time at 1000 ms or more; this only guards
    // against a period of zero or less should that ever change
    return static_cast<UINT>(m_nIdleTime > 200 ? m_nIdleTime - 100 : 100);
}

void CHistoryDlg::RestartTimer() {
    ::KillTimer(m_hWnd, kHistoryTimerId);
    ::SetTimer(m_hWnd, kHistoryTimerId, TimerPeriod(), nullptr);
}

void CHistoryDlg::OnLButtonDown(UINT, POINT point) {
    RestartTimer();
    switch (HistoryButtonAt(point.x, point.y, ScreenDesignScale())) {
    case HistoryButton::Up:
        if (m_list.ScrollUp())
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    case HistoryButton::Down:
        if (m_list.ScrollDown())
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    case HistoryButton::Close:
        EndDialog(IDOK);
        break;
    case HistoryButton::None:
        break;
    }
}

// Enter, Escape, Alt+F4 and a close from outside: as the close area, unless locked down.
void CHistoryDlg::OnOK() {
    if (!m_bLockdown)
        CDialog::OnOK();
}

void CHistoryDlg::OnCancel() {
    if (!m_bLockdown)
        CDialog::OnCancel();
}

bool CHistoryDlg::OnSysCommand(UINT nID, LPARAM) {
    return m_bLockdown && IsRefusedWhenLocked(nID);
}

uint32_t CHistoryDlg::OnIdle() {
    // input always comes first: the loop looks at the queue after each picture
    if (m_bPrefetch && m_hWnd && PrefetchOne())
        return 0;
    m_bPrefetch = false;
    return kIdleDone;
}

void CHistoryDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent != kHistoryTimerId)
        return;
    ::KillTimer(m_hWnd, kHistoryTimerId);
    // nobody has touched the history: the whole kiosk goes idle, not just this dialog
    EndDialog(kTimedOut);
}
