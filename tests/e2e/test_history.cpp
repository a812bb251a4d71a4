// The history dialog: newest records first, scrolling by rows of three, the
// scroll thumb, closing, the idle timeout and records that do not decode.
#include "Harness.h"

#include "framework/Handle.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <thread>

#include <gdiplus.h>

using namespace e2e;

namespace {

// Twelve distinct solid colours, oldest record first.
const COLORREF kRecordColors[] = {
    RGB(220, 20, 20), RGB(20, 200, 20), RGB(20, 20, 220), RGB(230, 230, 0), RGB(220, 0, 220), RGB(0, 210, 210),
    RGB(120, 0, 0),   RGB(0, 110, 0),   RGB(0, 0, 110),   RGB(120, 120, 0), RGB(110, 0, 120), RGB(0, 100, 120),
};
constexpr int kRecordCount = 12;
const COLORREF kThumbColor = RGB(47, 111, 167); // the body of Picture\ScrollBar.png

std::wstring RecordName(int i) {
    wchar_t sz[64];
    std::swprintf(sz, 64, L"2024年03月07日09时%02d分%02d秒.bmp", 5 + i, i);
    return sz;
}

std::wstring SignInFolder(const CKiosk& kiosk) {
    const std::wstring folder = kiosk.Folder() + L"\\SignIn";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// Fine stripes and gradients, so scaling has something to get wrong.
std::string PatternBmp(int cx, int cy, int seed, int bits = 24) {
    return Bmp(cx, cy, bits, [seed](int x, int y) {
        return RGB((x * 7 + seed * 40) & 0xFF, (y * 3 + seed * 90) & 0xFF, ((x ^ y) + seed * 17) & 0xFF);
    });
}

// Width and height from a PNG's header, so the test follows the artwork.
SIZE PngSize(const std::wstring& path) {
    SIZE size{0, 0};
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return size;
    unsigned char b[24] = {};
    DWORD n = 0;
    if (::ReadFile(h, b, sizeof(b), &n, nullptr) && n == sizeof(b)) {
        size.cx = (b[16] << 24) | (b[17] << 16) | (b[18] << 8) | b[19];
        size.cy = (b[20] << 24) | (b[21] << 16) | (b[22] << 8) | b[23];
    }
    ::CloseHandle(h);
    return size;
}

int ScaleX(int design) {
    return static_cast<int>(design * (ScreenWidth() / 1920.0));
}
int ScaleY(int design) {
    return static_cast<int>(design * (ScreenHeight() / 1080.0));
}

// The kiosk's visible dialog titled so, other than the page and the launcher:
// the history has no title, the PIN keypad has one.
HWND FindKioskDialog(const CKiosk& kiosk, const std::wstring& title) {
    const DWORD pid = ProcessOf(kiosk.Main());
    return FindTopLevelWindow([&](HWND h) {
        return ProcessOf(h) == pid && h != kiosk.Main() && h != kiosk.Popup() && ClassOf(h) == L"#32770" &&
               TitleOf(h) == title && IsShown(h);
    });
}

HWND FindHistory(const CKiosk& kiosk) {
    return FindKioskDialog(kiosk, L"");
}

// One copy of a screen rectangle, so a whole view is judged from one moment.
class CScreenShot {
public:
    explicit CScreenShot(const RECT& rc) : m_rc(rc), m_pixels(CScreenDib(rc).CopyPixels()) {}
    // Screen coordinates; black outside the copy.
    COLORREF At(int x, int y) const {
        const int cx = m_rc.right - m_rc.left;
        x -= m_rc.left;
        y -= m_rc.top;
        if (x < 0 || y < 0 || x >= cx || y >= m_rc.bottom - m_rc.top)
            return 0;
        const uint32_t p = m_pixels[static_cast<size_t>(y) * cx + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    RECT m_rc;
    std::vector<uint32_t> m_pixels;
};

// The cell's picture rectangle on the screen.
RECT CellRect(const RECT& rcDlg, int t) {
    const double sx = ScreenWidth() / 1920.0, sy = ScreenHeight() / 1080.0;
    const int x = static_cast<int>((t % 3) * 304 * sx + 69 * sx);
    const int y = static_cast<int>((t / 3) * 224 * sy + 47 * sy);
    return {rcDlg.left + x, rcDlg.top + y, rcDlg.left + x + static_cast<int>(280 * sx),
            rcDlg.top + y + static_cast<int>(168 * sy)};
}

POINT CellCentre(const RECT& rcDlg, int t) {
    const RECT rc = CellRect(rcDlg, t);
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// Pixels of cell t that change when the record at path is decoded afresh and
// drawn over them the way the dialog draws it: 0 when the cell shows exactly
// a fresh decode of the file.
int CellChangesUnderFreshDecode(const RECT& rcDlg, int t, const std::wstring& path) {
    const int cx = rcDlg.right - rcDlg.left, cy = rcDlg.bottom - rcDlg.top;
    const CScreenDib dib(rcDlg);
    if (!dib.Pixels())
        return -1;
    const std::vector<uint32_t> shown = dib.CopyPixels();
    RECT cell = CellRect(rcDlg, t);
    ::OffsetRect(&cell, -rcDlg.left, -rcDlg.top);
    Gdiplus::GpImage* pImage = nullptr;
    if (Gdiplus::DllExports::GdipLoadImageFromFile(path.c_str(), &pImage) == Gdiplus::Ok) {
        Gdiplus::GpGraphics* pGraphics = nullptr;
        Gdiplus::DllExports::GdipCreateFromHDC(dib.Dc(), &pGraphics);
        Gdiplus::DllExports::GdipDrawImageRectI(pGraphics, pImage, cell.left, cell.top, cell.right - cell.left,
                                                cell.bottom - cell.top);
        Gdiplus::DllExports::GdipDeleteGraphics(pGraphics);
        Gdiplus::DllExports::GdipDisposeImage(pImage);
    }
    int changes = 0;
    for (int y = std::max<int>(0, cell.top - 1); y < std::min<int>(cy, cell.bottom + 1); ++y) {
        for (int x = std::max<int>(0, cell.left - 1); x < std::min<int>(cx, cell.right + 1); ++x) {
            const size_t i = static_cast<size_t>(y) * cx + x;
            changes += (shown[i] & 0xFFFFFF) != (dib.Pixels()[i] & 0xFFFFFF);
        }
    }
    return changes;
}

// -1 when the colour is none of the records'.
int RecordOfColor(COLORREF c) {
    for (int i = 0; i < kRecordCount; ++i) {
        if (ColorNear(c, kRecordColors[i], 12))
            return i;
    }
    return -1;
}

// The record index each cell shows (-1 for none), top-left first.
std::vector<int> CellsShown(const RECT& rcDlg) {
    const CScreenShot shot(rcDlg);
    std::vector<int> cells;
    for (int t = 0; t < 9; ++t) {
        const POINT pt = CellCentre(rcDlg, t);
        cells.push_back(RecordOfColor(shot.At(pt.x, pt.y)));
    }
    return cells;
}

std::string Describe(const std::vector<int>& cells) {
    std::string s;
    for (int i : cells)
        s += std::to_string(i) + " ";
    return s;
}

bool WaitForCells(const RECT& rcDlg, const std::vector<int>& expected) {
    std::vector<int> shown;
    if (WaitUntil([&] { return (shown = CellsShown(rcDlg)) == expected; }, 5000))
        return true;
    Fail(__FILE__, __LINE__, "cells show " + Describe(shown) + "instead of " + Describe(expected));
    return false;
}

// First row, from the dialog's top, of the thumb's body in the strip at the
// right edge; -1 when there is none.
int ThumbBodyTop(const RECT& rcDlg) {
    const int x = rcDlg.right - 22; // a column through the thumb's body
    const CScreenShot shot({x, rcDlg.top, x + 1, rcDlg.bottom});
    for (int y = rcDlg.top; y < rcDlg.bottom; ++y) {
        if (ColorNear(shot.At(x, y), kThumbColor, 12))
            return y - rcDlg.top;
    }
    return -1;
}

// Whether the caption strip under a cell holds dark text pixels.
bool HasCaption(const CScreenShot& shot, const RECT& rcDlg, int t) {
    const RECT rc = CellRect(rcDlg, t);
    for (int y = rc.bottom; y < rc.bottom + 16; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            const COLORREF c = shot.At(x, y);
            if (GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90)
                return true;
        }
    }
    return false;
}

enum class Area { Up, Down, Close };

void TapArea(const RECT& rcDlg, Area area) {
    // centres of the areas drawn in the background, in design units
    static const POINT kCentres[] = {{206, 870}, {453, 870}, {749, 870}};
    const POINT pt = kCentres[static_cast<int>(area)];
    // quick taps on one spot would make a double click, which is no press;
    // alternate between two spots farther apart than the double-click box
    static int s_nTaps = 0;
    const int dx = (s_nTaps++ % 2) ? 20 : -20;
    Tap(rcDlg.left + ScaleX(pt.x) + dx, rcDlg.top + ScaleY(pt.y));
}

void TapHistoryButton() {
    Tap(ScaleX(124), ScaleY(408));
}

HWND OpenHistory(CKiosk& kiosk) {
    if (!kiosk.ShowPage())
        return nullptr;
    TapHistoryButton();
    HWND hDlg = nullptr;
    WaitUntil([&] { return (hDlg = FindHistory(kiosk)) != nullptr; });
    return hDlg;
}

void WriteRecords(const CKiosk& kiosk) {
    const std::wstring folder = SignInFolder(kiosk);
    for (int i = 0; i < kRecordCount; ++i)
        WriteTextFile(folder + L"\\" + RecordName(i), SolidBmp(200, 120, kRecordColors[i]));
}

// The kiosk's committed private memory (the page-file usage counts it on
// Windows and under Wine alike).
SIZE_T CommittedBytes(const CKiosk& kiosk) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(kiosk.Main(), &pid);
    HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!h)
        return 0;
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    const BOOL ok = ::K32GetProcessMemoryInfo(h, &pmc, sizeof(pmc));
    ::CloseHandle(h);
    return ok ? pmc.PagefileUsage : 0;
}

// A stand-in for the handwriting-input program's window, on a thread of its
// own that answers messages, as that program's window would.
class CHandwritingWindow {
public:
    CHandwritingWindow() {
        HANDLE hReady = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, hReady] {
            m_hWnd = ::CreateWindowExW(0, L"#32770", L"Qx输入法手写输入", WS_OVERLAPPED | WS_VISIBLE,
                                       ScreenWidth() - 260, 300, 240, 120, nullptr, nullptr, nullptr, nullptr);
            m_threadId = ::GetCurrentThreadId();
            ::SetEvent(hReady);
            MSG msg;
            while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
                ::DispatchMessageW(&msg);
            ::DestroyWindow(m_hWnd);
        });
        ::WaitForSingleObject(hReady, 10000);
        ::CloseHandle(hReady);
    }
    ~CHandwritingWindow() {
        ::PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    HWND Get() const { return m_hWnd; }

private:
    std::thread m_thread;
    HWND m_hWnd = nullptr;
    DWORD m_threadId = 0;
};

// GDI+ in this process, for pictures to compare with and to write.
class CGdiplusSession {
public:
    CGdiplusSession() {
        const Gdiplus::GdiplusStartupInput input;
        m_bOk = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    ~CGdiplusSession() {
        if (m_bOk)
            Gdiplus::GdiplusShutdown(m_token);
    }
    CGdiplusSession(const CGdiplusSession&) = delete;
    CGdiplusSession& operator=(const CGdiplusSession&) = delete;
    bool Ok() const { return m_bOk; }

private:
    ULONG_PTR m_token = 0;
    bool m_bOk = false;
};

// A PNG of one colour, which a picture library would draw whatever its
// name. Written by hand (stored, uncompressed blocks): under Wine, GDI+'s PNG
// encoder in this process makes the next CreateProcess fail.
std::string Png(int cx, int cy, COLORREF color) {
    const auto crc = [](const std::string& bytes) {
        uint32_t c = 0xFFFFFFFFu;
        for (unsigned char b : bytes) {
            c ^= b;
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return ~c;
    };
    const auto be32 = [](uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    };
    const auto chunk = [&](const char* type, const std::string& data) {
        const std::string body = type + data;
        return be32(static_cast<uint32_t>(data.size())) + body + be32(crc(body));
    };
    std::string raw;
    for (int y = 0; y < cy; ++y) {
        raw += '\0'; // no filter
        for (int x = 0; x < cx; ++x)
            raw += {static_cast<char>(GetRValue(color)), static_cast<char>(GetGValue(color)),
                    static_cast<char>(GetBValue(color))};
    }
    std::string zlib = "\x78\x01";
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < raw.size(); at += 65535) {
        const uint16_t n = static_cast<uint16_t>(std::min<size_t>(65535, raw.size() - at));
        zlib += static_cast<char>(at + n == raw.size() ? 1 : 0);
        zlib += {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(~n), static_cast<char>(~n >> 8)};
        zlib += raw.substr(at, n);
    }
    zlib += be32(b << 16 | a);
    const std::string header = be32(static_cast<uint32_t>(cx)) + be32(static_cast<uint32_t>(cy)) + "\x08\x02" +
                               std::string(3, '\0'); // 8 bits, RGB
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", zlib) + chunk("IEND", "");
}

// An enhanced metafile filled with one colour.
bool WriteMetafile(const std::wstring& path, COLORREF color) {
    const RECT frame{0, 0, 5000, 3000}; // hundredths of a millimetre
    const HDC hdc = ::CreateEnhMetaFileW(nullptr, path.c_str(), &frame, nullptr);
    if (!hdc)
        return false;
    const RECT fill{0, 0, 400, 240};
    const CGdiObject<HBRUSH> brush(::CreateSolidBrush(color));
    ::FillRect(hdc, &fill, brush.Get());
    const HENHMETAFILE hMeta = ::CloseEnhMetaFile(hdc);
    return hMeta && ::DeleteEnhMetaFile(hMeta);
}

constexpr char kPin[] = "97531864";
constexpr char kWrongPin[] = "13572468";

HWND WaitForKeypad(const CKiosk& kiosk) {
    HWND hPad = nullptr;
    WaitUntil([&] { return (hPad = FindKioskDialog(kiosk, L"请输入密码")) != nullptr; });
    return hPad;
}

// Centres of the keypad's keys in design units: the digits, then clear,
// back, cancel and OK, as Picture\PinPad.png draws them.
POINT KeyCentre(char key) {
    switch (key) {
    case 'C':
        return {120, 655};
    case '0':
        return {300, 655};
    case 'B':
        return {480, 655};
    case 'X':
        return {165, 795};
    case 'K':
        return {435, 795};
    default:
        return {120 + (key - '1') % 3 * 180, 265 + (key - '1') / 3 * 130};
    }
}

// Keys as in KeyCentre, each a tap.
void TapKeys(HWND hPad, const char* keys) {
    const RECT rc = WindowRect(hPad);
    for (const char* p = keys; *p; ++p) {
        const POINT pt = KeyCentre(*p);
        Tap(rc.left + ScaleX(pt.x), rc.top + ScaleY(pt.y));
    }
}

// The dots in the entry field: runs of the page's navy along its middle.
int DotsShown(HWND hPad) {
    const RECT rc = WindowRect(hPad);
    const int y = rc.top + ScaleY(140);
    const CScreenShot shot({rc.left, y, rc.right, y + 1});
    int dots = 0;
    bool bInDot = false;
    for (int x = rc.left + ScaleX(40); x < rc.left + ScaleX(560); ++x) {
        const bool bDot = ColorNear(shot.At(x, y), RGB(30, 58, 92), 40);
        dots += bDot && !bInDot;
        bInDot = bDot;
    }
    return dots;
}

bool WaitForDots(HWND hPad, int expected) {
    int shown = -1;
    if (WaitUntil([&] { return (shown = DotsShown(hPad)) == expected; }, 5000))
        return true;
    Fail(__FILE__, __LINE__, std::to_string(shown) + " dots instead of " + std::to_string(expected));
    return false;
}

} // namespace

E2E_TEST(TwelveRecordsScrollByRowsNewestFirst) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    WriteRecords(kiosk);
    HWND hDlg = OpenHistory(kiosk);
    REQUIRE(hDlg);
    CHECK(!::IsWindowEnabled(kiosk.Main()));

    // placed at its design corner, sized as the background picture, both scaled
    const SIZE bg = PngSize(kiosk.Folder() + L"\\Picture\\HistoryMsg.png");
    const RECT rcDlg = WindowRect(hDlg);
    CHECK_EQ(rcDlg.left, ScaleX(254));
    CHECK_EQ(rcDlg.top, ScaleY(116));
    CHECK_EQ(rcDlg.right - rcDlg.left, static_cast<int>(bg.cx * (ScreenWidth() / 1920.0)));
    CHECK_EQ(rcDlg.bottom - rcDlg.top, static_cast<int>(bg.cy * (ScreenHeight() / 1080.0)));
    const int height = rcDlg.bottom - rcDlg.top;
    const int thumbHeight = PngSize(kiosk.Folder() + L"\\Picture\\ScrollBar.png").cy;

    // the thumb's body begins a few rows below the picture's top
    struct Position {
        std::vector<int> cells;
        int thumbTop;
    };
    const Position positions[] = {
        {{11, 10, 9, 8, 7, 6, 5, 4, 3}, 0},
        {{8, 7, 6, 5, 4, 3, 2, 1, 0}, height / 2},
        {{5, 4, 3, 2, 1, 0, -1, -1, -1}, height - thumbHeight},
    };
    int bodyOffset = -1;
    for (int p = 0; p < 3; ++p) {
        if (p > 0)
            TapArea(rcDlg, Area::Down);
        REQUIRE(WaitForCells(rcDlg, positions[p].cells));
        const int thumbBody = ThumbBodyTop(rcDlg);
        if (p == 0)
            bodyOffset = thumbBody;
        CHECK(bodyOffset >= 0 && bodyOffset <= 10);
        CHECK_EQ(thumbBody - bodyOffset, positions[p].thumbTop);
    }
    // every caption under a record, none under an empty cell
    {
        const CScreenShot shot(rcDlg);
        for (int t = 0; t < 9; ++t)
            CHECK_EQ(HasCaption(shot, rcDlg, t), t < 6);
    }

    // down at the bottom changes nothing: one up then lands on position 1
    TapArea(rcDlg, Area::Down);
    TapArea(rcDlg, Area::Up);
    CHECK(WaitForCells(rcDlg, positions[1].cells));
    TapArea(rcDlg, Area::Up);
    CHECK(WaitForCells(rcDlg, positions[0].cells));
    // up at the top changes nothing: one down then lands on position 1
    TapArea(rcDlg, Area::Up);
    TapArea(rcDlg, Area::Down);
    CHECK(WaitForCells(rcDlg, positions[1].cells));
    // a press outside the areas does nothing
    Tap(rcDlg.left + ScaleX(500), rcDlg.top + ScaleY(760));
    TapArea(rcDlg, Area::Up);
    CHECK(WaitForCells(rcDlg, positions[0].cells));

    TapArea(rcDlg, Area::Close);
    CHECK(WaitUntil([&] { return !::IsWindow(hDlg); }));
    CHECK(::IsWindowEnabled(kiosk.Main()));
    CHECK(IsShown(kiosk.Main()));
    CHECK(!IsShown(kiosk.Popup()));
    // the page still answers: it opens the history again
    TapHistoryButton();
    HWND hAgain = nullptr;
    CHECK(WaitUntil([&] { return (hAgain = FindHistory(kiosk)) != nullptr; }));
    if (hAgain) {
        CHECK(WaitForCells(WindowRect(hAgain), positions[0].cells));
        TapArea(WindowRect(hAgain), Area::Close);
        CHECK(WaitUntil([&] { return !::IsWindow(hAgain); }));
    }
}

E2E_TEST(RepaintsOfFullSizeRecordsDoNotLeak) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    // full-size records: a picture kept after its paint would cost megabytes
    const std::wstring folder = SignInFolder(kiosk);
    for (int i = 0; i < kRecordCount; ++i)
        WriteTextFile(folder + L"\\" + RecordName(i), SolidBmp(1391, 930, kRecordColors[i]));
    HWND hDlg = OpenHistory(kiosk);
    REQUIRE(hDlg);
    const RECT rcDlg = WindowRect(hDlg);
    const std::vector<int> top{11, 10, 9, 8, 7, 6, 5, 4, 3}, middle{8, 7, 6, 5, 4, 3, 2, 1, 0};
    REQUIRE(WaitForCells(rcDlg, top));
    const auto cycle = [&] {
        TapArea(rcDlg, Area::Down);
        REQUIRE(WaitForCells(rcDlg, middle));
        TapArea(rcDlg, Area::Up);
        REQUIRE(WaitForCells(rcDlg, top));
    };
    cycle(); // the first paints fill whatever the system caches
    const SIZE_T before = CommittedBytes(kiosk);
    REQUIRE(before > 0);
    for (int i = 0; i < 8; ++i)
        cycle();
    // sixteen paints of nine pictures of 5 MB each would leak over 600 MB
    const SIZE_T after = CommittedBytes(kiosk);
    CHECK(after < before + (40u << 20));
    std::printf("  committed memory %zu MB before, %zu MB after 16 paints\n", static_cast<size_t>(before >> 20),
                static_cast<size_t>(after >> 20));
}

E2E_TEST(CachedCellsShowWhatAFreshDecodeShows) {
    const CGdiplusSession gdiplus;
    REQUIRE(gdiplus.Ok());
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    const std::wstring folder = SignInFolder(kiosk);
    const auto path = [&](int i) { return folder + L"\\" + RecordName(i); };
    for (int i = 0; i < kRecordCount; ++i)
        WriteTextFile(path(i), PatternBmp(1391, 930, i, i % 2 ? 32 : 24)); // 32: as the kiosk saves
    WriteTextFile(path(9), "not a picture");                               // cell 2 at the top: empty, with its caption
    const std::wstring oldTen = kiosk.Folder() + L"\\old-record-10.bmp";
    WriteTextFile(oldTen, PatternBmp(1391, 930, 10));
    // back at the launcher the idle kiosk scales the first page ahead, one
    // picture a tick: those cells too must equal a fresh decode
    REQUIRE(kiosk.ShowPage());
    Tap(ScaleX(1750), ScaleY(50));
    REQUIRE(WaitUntil([&] { return IsShown(kiosk.Popup()) && !IsShown(kiosk.Main()); }));
    Pause(1000);

    HWND hDlg = OpenHistory(kiosk);
    REQUIRE(hDlg);
    const RECT rcDlg = WindowRect(hDlg);
    const auto showsFreshDecodes = [&](const std::vector<int>& records) {
        std::string bad;
        const bool ok = WaitUntil(
            [&] {
                bad.clear();
                for (int t = 0; t < static_cast<int>(records.size()); ++t) {
                    if (CellChangesUnderFreshDecode(rcDlg, t, path(records[t])) != 0)
                        bad += std::to_string(t) + " ";
                }
                return bad.empty();
            },
            8000);
        if (!ok)
            Fail(__FILE__, __LINE__, "cells " + bad + "differ from a fresh decode");
        return ok;
    };
    const std::vector<int> top{11, 10, 9, 8, 7, 6, 5, 4, 3}, middle{8, 7, 6, 5, 4, 3, 2, 1, 0};
    REQUIRE(showsFreshDecodes(top));
    // down: six pictures move up a row, three are new; up: all shown there before
    TapArea(rcDlg, Area::Down);
    CHECK(showsFreshDecodes(middle));
    TapArea(rcDlg, Area::Up);
    CHECK(showsFreshDecodes(top));

    // replaced on disk between two paints: a new picture, and one that no
    // longer decodes
    WriteTextFile(path(11), PatternBmp(1391, 930, 20, 32));
    WriteTextFile(path(10), "no longer a picture");
    TapArea(rcDlg, Area::Down);
    CHECK(showsFreshDecodes(middle));
    TapArea(rcDlg, Area::Up);
    CHECK(showsFreshDecodes(top));
    CHECK(CellChangesUnderFreshDecode(rcDlg, 1, oldTen) > 0);
    TapArea(rcDlg, Area::Close);
    CHECK(WaitUntil([&] { return !::IsWindow(hDlg); }));
}

E2E_TEST(LeftAloneTheHistoryReturnsTheKioskToIdle) {
    CHandwritingWindow handwriting;
    REQUIRE(handwriting.Get() && IsShown(handwriting.Get()));
    CKiosk kiosk("[Time]\r\nMinTime=3000\r\n");
    REQUIRE(kiosk.Started());
    WriteRecords(kiosk);
    HWND hDlg = OpenHistory(kiosk);
    REQUIRE(hDlg);
    // a press restarts the timeout; the dialog must outlive the first period
    Pause(1500);
    const RECT rcDlg = WindowRect(hDlg);
    Tap(rcDlg.left + ScaleX(500), rcDlg.top + ScaleY(760));
    const DWORD pressedAt = ::GetTickCount();
    CHECK(WaitUntil([&] { return !::IsWindow(hDlg); }, 10000));
    const DWORD elapsed = ::GetTickCount() - pressedAt;
    CHECK(elapsed >= 2600); // 2900 ms less timer and polling slack
    CHECK(WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); }, 3000));
    CHECK(!IsShown(handwriting.Get()));
    CHECK(::IsWindowEnabled(kiosk.Main()));
    // and the launcher brings the page back
    CHECK(kiosk.ShowPage());
}

E2E_TEST(ClosedHistoryLeavesThePageToItsIdleTimeout) {
    CKiosk kiosk("[Time]\r\nMinTime=3000\r\n");
    REQUIRE(kiosk.Started());
    HWND hDlg = OpenHistory(kiosk);
    REQUIRE(hDlg);
    // closed with no pointer movement over the page afterwards, which would
    // restart the timeout by itself
    MoveTo(2, ScreenHeight() / 2);
    ::PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    REQUIRE(WaitUntil([&] { return !::IsWindow(hDlg); }));
    const DWORD closedAt = ::GetTickCount();
    CHECK(IsShown(kiosk.Main()));
    // a visitor who closes the history and walks away leaves nothing on screen
    CHECK(WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); }, 8000));
    CHECK(::GetTickCount() - closedAt >= 2500);
}

E2E_TEST(RecordsThatDoNotDecodeShowOnlyTheirCaption) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    const std::wstring folder = SignInFolder(kiosk);
    const std::string good = SolidBmp(200, 120, kRecordColors[0]);
    // oldest first; records 0, 1, 2, 7 and 8 are good pictures
    for (int i : {0, 1, 2, 7, 8})
        WriteTextFile(folder + L"\\" + RecordName(i), SolidBmp(200, 120, kRecordColors[i]));
    WriteTextFile(folder + L"\\" + RecordName(3), good.substr(0, 54 + 1000));        // truncated
    WriteTextFile(folder + L"\\" + RecordName(4), "not a picture, only a name\r\n"); // not a picture
    WriteTextFile(folder + L"\\" + RecordName(5), "");                               // zero bytes
    // a header that claims a picture far larger than the file
    std::string huge = SolidBmp(2, 2, 0);
    reinterpret_cast<BITMAPINFOHEADER*>(&huge[sizeof(BITMAPFILEHEADER)])->biWidth = 30000;
    reinterpret_cast<BITMAPINFOHEADER*>(&huge[sizeof(BITMAPFILEHEADER)])->biHeight = 30000;
    WriteTextFile(folder + L"\\" + RecordName(6), huge);
    // a folder named like the newest record is no record
    ::CreateDirectoryW((folder + L"\\" + RecordName(11)).c_str(), nullptr);

    HWND hDlg = OpenHistory(kiosk);
    REQUIRE(hDlg);
    const RECT rcDlg = WindowRect(hDlg);
    // nine records: the good ones where their index puts them
    REQUIRE(WaitForCells(rcDlg, {8, 7, -1, -1, -1, -1, 2, 1, 0}));
    {
        const CScreenShot shot(rcDlg);
        for (int t = 0; t < 9; ++t)
            CHECK(HasCaption(shot, rcDlg, t));
    }
    // position 1 leaves the third row empty: the background there is what an
    // undecodable record's cell must look like
    TapArea(rcDlg, Area::Down);
    REQUIRE(WaitForCells(rcDlg, {-1, -1, -1, 2, 1, 0, -1, -1, -1}));
    {
        const CScreenShot shot(rcDlg);
        for (int t = 0; t < 3; ++t) {
            const POINT bad = CellCentre(rcDlg, t), empty = CellCentre(rcDlg, t + 6);
            CHECK(ColorNear(shot.At(bad.x, bad.y), shot.At(empty.x, empty.y), 4));
            CHECK(HasCaption(shot, rcDlg, t));
            CHECK(!HasCaption(shot, rcDlg, t + 6));
        }
    }
    // a record that vanishes after the list was read: caption, no picture
    CHECK(::DeleteFileW((folder + L"\\" + RecordName(7)).c_str()));
    TapArea(rcDlg, Area::Up);
    REQUIRE(WaitForCells(rcDlg, {8, -1, -1, -1, -1, -1, 2, 1, 0}));
    {
        const CScreenShot shot(rcDlg);
        CHECK(HasCaption(shot, rcDlg, 1));
    }
    // pictures of other kinds named .bmp are no records, whatever a picture
    // library makes of them: in the colours of records 4 and 5, a PNG and a
    // metafile leave their cells empty
    REQUIRE(WriteTextFile(folder + L"\\" + RecordName(4), Png(200, 120, kRecordColors[4])));
    REQUIRE(WriteMetafile(folder + L"\\" + RecordName(5), kRecordColors[5]));
    // a record another program holds open while it is first drawn: empty
    // then, and shown at the next paint once it can be read
    const std::wstring heldPath = folder + L"\\" + RecordName(2);
    REQUIRE(WriteTextFile(heldPath, SolidBmp(210, 120, kRecordColors[2])));
    CHandle held(::CreateFileW(heldPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    REQUIRE(held);
    TapArea(rcDlg, Area::Down);
    TapArea(rcDlg, Area::Up);
    CHECK(WaitForCells(rcDlg, {8, -1, -1, -1, -1, -1, -1, 1, 0}));
    held.Reset();
    TapArea(rcDlg, Area::Down);
    TapArea(rcDlg, Area::Up);
    CHECK(WaitForCells(rcDlg, {8, -1, -1, -1, -1, -1, 2, 1, 0}));

    TapArea(rcDlg, Area::Close);
    CHECK(WaitUntil([&] { return !::IsWindow(hDlg); }));
    CHECK(!kiosk.HasExited());
    CHECK(::IsWindowEnabled(kiosk.Main()));
    // the page still answers: the exit region hides it behind the launcher
    Tap(ScaleX(1750), ScaleY(50));
    CHECK(WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); }));
}

E2E_TEST(AnEmptyRecordFolderShowsAnEmptyGrid) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    SignInFolder(kiosk);
    HWND hDlg = OpenHistory(kiosk);
    REQUIRE(hDlg);
    const RECT rcDlg = WindowRect(hDlg);
    // with nowhere to scroll the thumb rests at the bottom
    const int thumbHeight = PngSize(kiosk.Folder() + L"\\Picture\\ScrollBar.png").cy;
    int body = -1;
    const auto thumbShown = [&] { return (body = ThumbBodyTop(rcDlg)) >= 0; };
    CHECK(WaitUntil(thumbShown, 5000));
    CHECK(body >= rcDlg.bottom - rcDlg.top - thumbHeight && body <= rcDlg.bottom - rcDlg.top - thumbHeight + 10);
    const CScreenShot shot(rcDlg);
    for (int t = 0; t < 9; ++t)
        CHECK(!HasCaption(shot, rcDlg, t));
    TapArea(rcDlg, Area::Close);
    CHECK(WaitUntil([&] { return !::IsWindow(hDlg); }));
}

E2E_TEST(DaysShowsOnlyTodaysRecords) {
    CKiosk kiosk("[Time]\r\nMinTime=30000\r\n[History]\r\nDays=1\r\n");
    REQUIRE(kiosk.Started());
    const std::wstring folder = SignInFolder(kiosk);
    // records 0 to 8 from earlier days: with them all, the view could scroll
    for (int i = 0; i < 9; ++i)
        WriteTextFile(folder + L"\\" + NameDaysAgo(i < 8 ? 1 + i : 400), SolidBmp(200, 120, kRecordColors[i]));
    // today's: one signed in now, a second copy of that second, and a file
    // without a time in its name, changed now; one changed 3 days ago is not
    std::wstring now = NameDaysAgo(0);
    WriteTextFile(folder + L"\\" + now, SolidBmp(200, 120, kRecordColors[9]));
    WriteTextFile(folder + L"\\" + now.insert(now.size() - 4, L"(2)"), SolidBmp(200, 120, kRecordColors[10]));
    WriteTextFile(folder + L"\\visitor.bmp", SolidBmp(200, 120, kRecordColors[11]));
    const std::wstring old = folder + L"\\old-visitor.bmp";
    WriteTextFile(old, SolidBmp(200, 120, kRecordColors[0]));
    HANDLE h = ::CreateFileW(old.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(h != INVALID_HANDLE_VALUE);
    const FILETIME ft = FileTimeDaysAgo(3);
    CHECK(::SetFileTime(h, nullptr, nullptr, &ft));
    ::CloseHandle(h);

    HWND hDlg = OpenHistory(kiosk);
    REQUIRE(hDlg);
    const RECT rcDlg = WindowRect(hDlg);
    // "(2)" lists before its first, as the kiosk's file system orders them
    REQUIRE(WaitForCells(rcDlg, {11, 9, 10, -1, -1, -1, -1, -1, -1}));
    // three records: nowhere to scroll, so the thumb rests at the bottom and down does nothing
    const int thumbHeight = PngSize(kiosk.Folder() + L"\\Picture\\ScrollBar.png").cy;
    const int body = ThumbBodyTop(rcDlg);
    CHECK(body >= rcDlg.bottom - rcDlg.top - thumbHeight && body <= rcDlg.bottom - rcDlg.top - thumbHeight + 10);
    TapArea(rcDlg, Area::Down);
    CHECK(WaitForCells(rcDlg, {11, 9, 10, -1, -1, -1, -1, -1, -1}));
    TapArea(rcDlg, Area::Close);
    CHECK(WaitUntil([&] { return !::IsWindow(hDlg); }));
}

E2E_TEST(PinKeypadOpensTheHistoryOnlyForTheRightPin) {
    CKiosk kiosk(std::string("[Time]\r\nMinTime=30000\r\n[History]\r\nPin=") + kPin + "\r\n");
    REQUIRE(kiosk.Started());
    WriteRecords(kiosk);
    REQUIRE(kiosk.ShowPage());
    TapHistoryButton();
    HWND hPad = WaitForKeypad(kiosk);
    REQUIRE(hPad);
    CHECK(!FindHistory(kiosk));
    CHECK(!::IsWindowEnabled(kiosk.Main()));
    // centred over the page at its design size
    const RECT home = WindowRect(hPad);
    CHECK_EQ(home.left, ScaleX(660));
    CHECK_EQ(home.top, ScaleY(100));
    CHECK_EQ(home.right - home.left, ScaleX(600));
    CHECK_EQ(home.bottom - home.top, ScaleY(880));

    // the entry shows one dot per digit; back takes one, clear all
    TapKeys(hPad, "135");
    CHECK(WaitForDots(hPad, 3));
    TapKeys(hPad, "B");
    CHECK(WaitForDots(hPad, 2));
    TapKeys(hPad, "C");
    CHECK(WaitForDots(hPad, 0));

    // a wrong PIN shakes the keypad and shows nothing; the third closes it
    for (int i = 0; i < 3; ++i) {
        TapKeys(hPad, kWrongPin);
        CHECK(WaitForDots(hPad, 8));
        TapKeys(hPad, "K");
        if (i == 2)
            break;
        CHECK(WaitUntil([&] { return WindowRect(hPad).left != home.left; }, 2000));
        CHECK(WaitUntil([&] { return WindowRect(hPad).left == home.left; }, 2000));
        CHECK(WaitForDots(hPad, 0));
        CHECK(!FindHistory(kiosk));
    }
    CHECK(WaitUntil([&] { return !::IsWindow(hPad); }));
    CHECK(!FindHistory(kiosk));
    CHECK(IsShown(kiosk.Main()));
    CHECK(::IsWindowEnabled(kiosk.Main()));

    // cancel leaves the page as it was
    TapHistoryButton();
    hPad = WaitForKeypad(kiosk);
    REQUIRE(hPad);
    CHECK(WaitForDots(hPad, 0)); // a new keypad, a new entry
    TapKeys(hPad, "X");
    CHECK(WaitUntil([&] { return !::IsWindow(hPad); }));
    CHECK(!FindHistory(kiosk));
    CHECK(::IsWindowEnabled(kiosk.Main()));

    // the right PIN, with a slip put right, opens the history
    TapHistoryButton();
    hPad = WaitForKeypad(kiosk);
    REQUIRE(hPad);
    std::string slip = kPin;
    slip.back() = slip.back() == '1' ? '2' : '1';
    TapKeys(hPad, (slip + "B" + kPin[7] + "K").c_str());
    CHECK(WaitUntil([&] { return !::IsWindow(hPad); }));
    HWND hDlg = nullptr;
    REQUIRE(WaitUntil([&] { return (hDlg = FindHistory(kiosk)) != nullptr; }));
    CHECK(WaitForCells(WindowRect(hDlg), {11, 10, 9, 8, 7, 6, 5, 4, 3}));
    TapArea(WindowRect(hDlg), Area::Close);
    CHECK(WaitUntil([&] { return !::IsWindow(hDlg); }));

    // the log says the keypad closed, and holds neither the PIN nor the wrong one
    CHECK_EQ(LogCount(kiosk, "closed after 3 wrong PINs"), size_t{1});
    CHECK_EQ(LogCount(kiosk, kPin), size_t{0});
    CHECK_EQ(LogCount(kiosk, kWrongPin), size_t{0});
}

E2E_TEST(LeftAloneTheKeypadReturnsTheKioskToIdle) {
    CKiosk kiosk(std::string("[Time]\r\nMinTime=3000\r\n[History]\r\nPin=") + kPin + "\r\n");
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    TapHistoryButton();
    HWND hPad = WaitForKeypad(kiosk);
    REQUIRE(hPad);
    // a tap on the keypad is activity: it must outlive the first period
    Pause(1500);
    TapKeys(hPad, "5");
    const DWORD tappedAt = ::GetTickCount();
    CHECK(WaitUntil([&] { return !::IsWindow(hPad); }, 10000));
    CHECK(::GetTickCount() - tappedAt >= 2700); // 3000 ms less timer and polling slack
    CHECK(WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); }, 3000));
    CHECK(!FindHistory(kiosk));
    CHECK(::IsWindowEnabled(kiosk.Main()));
    CHECK(kiosk.ShowPage());
}
