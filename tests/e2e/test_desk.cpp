// The front desk's program, VelmoDesk.exe, over a share of two kiosk folders:
// the day view, a record arriving, the share going away and coming back, a
// record at full size, and /export's CSV and pages.
#include "DeskWindow.h"
#include "Harness.h"

#include "desk/DeskLayout.h"
#include "records/RecordName.h"

#include <gdiplus.h>

#include <cstdio>

using namespace e2e;

namespace {

struct ShareRecord {
    const wchar_t* kiosk;
    int hour, minute, second;
    COLORREF color; // CLR_INVALID: a file named like a record that does not decode
};

const wchar_t* const kKiosks[] = {L"Entrance-A", L"Entrance-B"};

SYSTEMTIME Today() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return st;
}

std::wstring DayText(const SYSTEMTIME& st) {
    wchar_t sz[16];
    std::swprintf(sz, 16, L"%04u-%02u-%02u", st.wYear, st.wMonth, st.wDay);
    return sz;
}

std::wstring NameOf(const SYSTEMTIME& day, int h, int m, int s) {
    const std::wstring path = RecordFileName({day.wYear, day.wMonth, day.wDay, h, m, s});
    return path.substr(path.find(L'\\') + 1);
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                                         out.data(), static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

// Writes the records into their kiosk folders under <share>\velmo, with the
// things a share also holds that are no records of the day.
std::wstring FillShare(const TestShare& share, const SYSTEMTIME& day, const std::vector<ShareRecord>& records) {
    const std::wstring root = share.backing + L"\\velmo";
    ::CreateDirectoryW(root.c_str(), nullptr);
    for (const wchar_t* kiosk : kKiosks)
        ::CreateDirectoryW((root + L"\\" + kiosk).c_str(), nullptr);
    for (const ShareRecord& r : records) {
        const std::wstring path = root + L"\\" + r.kiosk + L"\\" + NameOf(day, r.hour, r.minute, r.second);
        if (r.color != CLR_INVALID)
            WriteTextFile(path, SolidBmp(417, 279, r.color, r.minute % 2 ? 32 : 24));
        else if (r.second % 2)
            WriteTextFile(path, SolidBmp(417, 279, RGB(1, 2, 3)).substr(0, 3000)); // cut short
        else
            WriteTextFile(path, "\x89PNG\r\n\x1a\n not a BMP");
    }
    const SYSTEMTIME yesterday = [&] {
        FILETIME ft;
        ::SystemTimeToFileTime(&day, &ft);
        ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
        t.QuadPart -= 24ull * 3600 * 10000000;
        ft = {t.LowPart, t.HighPart};
        SYSTEMTIME st;
        ::FileTimeToSystemTime(&ft, &st);
        return st;
    }();
    WriteTextFile(root + L"\\Entrance-B\\" + NameOf(yesterday, 9, 0, 0), SolidBmp(40, 30, RGB(9, 9, 9)));
    WriteTextFile(root + L"\\Entrance-A\\~copying-77.tmp", SolidBmp(40, 30, RGB(9, 9, 9)));
    WriteTextFile(root + L"\\Entrance-A\\notes.txt", "not a record");
    WriteTextFile(root + L"\\" + NameOf(day, 9, 30, 0), SolidBmp(40, 30, RGB(9, 9, 9))); // in no kiosk folder
    ::CreateDirectoryW((root + L"\\Entrance-A\\" + NameOf(day, 9, 40, 0)).c_str(), nullptr);
    return root;
}

std::string DeskConfig(const std::wstring& folder) {
    return "[Share]\r\nFolder=" + Utf8(folder) + "   ; the store\r\n";
}

POINT Centre(const RECT& rc) {
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// The colour at each cell's centre is its record's, or white with a grey
// frame for a file that does not decode.
bool CellsShow(const CDesk& desk, const std::vector<ShareRecord>& newestFirst) {
    for (size_t v = 0; v < newestFirst.size(); ++v) {
        const RECT rc = desk.Cell(v);
        const POINT c = Centre(rc);
        const COLORREF want = newestFirst[v].color;
        if (want != CLR_INVALID ? !ColorNear(ScreenPixel(c.x, c.y), want)
                                : !ColorNear(ScreenPixel(c.x, c.y), RGB(255, 255, 255)) ||
                                      !ColorNear(ScreenPixel(rc.left, c.y), RGB(128, 128, 128)))
            return false;
    }
    return true;
}

E2E_TEST(DayViewListsBothKiosksNewestFirstAndFollowsTheShare) {
    const std::optional<TestShare> share = MakeShare(L"desk-view");
    REQUIRE(share);
    const SYSTEMTIME day = Today();
    std::vector<ShareRecord> records = {
        {L"Entrance-A", 9, 0, 1, RGB(220, 20, 20)},  {L"Entrance-B", 9, 10, 0, RGB(20, 200, 20)},
        {L"Entrance-A", 10, 1, 0, RGB(20, 20, 220)}, {L"Entrance-B", 11, 30, 0, RGB(230, 230, 0)},
        {L"Entrance-A", 11, 45, 1, CLR_INVALID},     {L"Entrance-B", 12, 15, 0, CLR_INVALID},
        {L"Entrance-A", 12, 20, 0, CLR_INVALID}, // 2 GB: never read whole
    };
    const std::wstring root = FillShare(*share, day, records);
    {
        HANDLE h = ::CreateFileW((root + L"\\Entrance-A\\" + NameOf(day, 12, 20, 0)).c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        REQUIRE(h != INVALID_HANDLE_VALUE);
        const std::string head = SolidBmp(417, 279, RGB(1, 2, 3)).substr(0, 54);
        DWORD n = 0;
        ::WriteFile(h, head.data(), static_cast<DWORD>(head.size()), &n, nullptr);
        LARGE_INTEGER size{};
        size.QuadPart = 2LL << 30;
        ::SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
        CHECK(::SetEndOfFile(h));
        ::CloseHandle(h);
    }
    CDesk desk(ProgramFolderCopy(DeskConfig(share->unc + L"\\velmo")));
    REQUIRE(desk.Window());
    CHECK(WaitUntil([&] { return desk.Counts() == L"Entrance-A 4, Entrance-B 3; 7 in all"; }));
    const std::vector<ShareRecord> newestFirst(records.rbegin(), records.rend());
    CHECK(WaitUntil([&] { return CellsShow(desk, newestFirst); }));
    CHECK(!desk.BannerShown());

    // a copy arrives as the kiosk makes it: a temporary file, then renamed
    const std::wstring kioskB = share->backing + L"\\velmo\\Entrance-B";
    REQUIRE(WriteTextFile(kioskB + L"\\~copying-9.tmp", SolidBmp(417, 279, RGB(200, 0, 200))));
    const DWORD dwArrived = ::GetTickCount();
    REQUIRE(::MoveFileW((kioskB + L"\\~copying-9.tmp").c_str(), (kioskB + L"\\" + NameOf(day, 12, 30, 0)).c_str()));
    records.push_back({L"Entrance-B", 12, 30, 0, RGB(200, 0, 200)});
    std::vector<ShareRecord> withNew(records.rbegin(), records.rend());
    CHECK(WaitUntil([&] { return CellsShow(desk, withNew); }, 5000));
    const DWORD dwShown = ::GetTickCount() - dwArrived;
    std::printf("  a copied record showed after %lu ms\n", dwShown);
    CHECK(dwShown < 5000);
    CHECK(desk.Counts() == L"Entrance-A 4, Entrance-B 4; 8 in all");

    // the server goes away: a banner, and what was read stays on show
    REQUIRE(SetShareOnline(*share, false));
    CHECK(WaitUntil([&] { return desk.BannerShown(); }, 8000));
    CHECK(desk.Counts() == L"Entrance-A 4, Entrance-B 4; 8 in all");
    CHECK(WaitUntil([&] { return CellsShow(desk, withNew); }, 3000));
    REQUIRE(SetShareOnline(*share, true));
    CHECK(WaitUntil([&] { return !desk.BannerShown(); }, 8000));

    // a click opens the record at its own size; Escape closes that, not the desk
    const POINT red = Centre(desk.Cell(withNew.size() - 1));
    Tap(red.x, red.y);
    HWND hView = nullptr;
    CHECK(WaitUntil([&] { return (hView = FindOwnedWindow(desk.Window())) != nullptr; }));
    if (hView) {
        // read off the window's thread, then shown at its own size
        CHECK(WaitUntil([&] {
            RECT rc{};
            ::GetClientRect(hView, &rc);
            return rc.right == 417 && rc.bottom == 279;
        }));
        POINT c{208, 140};
        ::ClientToScreen(hView, &c);
        CHECK(WaitUntil([&] { return ColorNear(ScreenPixel(c.x, c.y), RGB(220, 20, 20)); }));
        Key(VK_ESCAPE);
        CHECK(WaitUntil([&] { return !::IsWindow(hView); }));
    }
    Key(VK_ESCAPE);
    CHECK(SyncWith(desk.Window()));
    CHECK(desk.Running());

    // the day before by keyboard, with its one record; the Today button back
    KeyDown(VK_MENU);
    Key(VK_LEFT);
    KeyUp(VK_MENU);
    CHECK(WaitUntil([&] { return desk.Counts() == L"Entrance-A 0, Entrance-B 1; 1 in all"; }));
    CHECK(TitleOf(desk.Window()) != L"Velmo Desk - sign-ins " + DayText(day));
    RECT rcToday{};
    ::GetWindowRect(::GetDlgItem(desk.Window(), IDC_TODAY), &rcToday);
    Tap((rcToday.left + rcToday.right) / 2, (rcToday.top + rcToday.bottom) / 2);
    CHECK(WaitUntil([&] { return desk.Counts() == L"Entrance-A 4, Entrance-B 4; 8 in all"; }));
    CHECK(TitleOf(desk.Window()) == L"Velmo Desk - sign-ins " + DayText(day));

    // by keyboard alone: the first arrow chooses the newest record, Enter opens it
    Key(VK_RIGHT);
    Key(VK_RETURN);
    hView = nullptr;
    CHECK(WaitUntil([&] { return (hView = FindOwnedWindow(desk.Window())) != nullptr; }));
    if (hView) {
        POINT c{208, 140};
        ::ClientToScreen(hView, &c);
        CHECK(WaitUntil([&] { return ColorNear(ScreenPixel(c.x, c.y), RGB(200, 0, 200)); }));
        Key(VK_ESCAPE);
        CHECK(WaitUntil([&] { return !::IsWindow(hView); }));
    }
}

// GDI+ for reading the exported pages.
class CGdiplus {
public:
    CGdiplus() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
    }
    ~CGdiplus() { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};

struct Page {
    Gdiplus::GpBitmap* p = nullptr;
    explicit Page(const std::wstring& path) { Gdiplus::DllExports::GdipCreateBitmapFromFile(path.c_str(), &p); }
    ~Page() {
        if (p)
            Gdiplus::DllExports::GdipDisposeImage(p);
    }
    COLORREF At(int x, int y) const {
        Gdiplus::ARGB argb = 0;
        Gdiplus::DllExports::GdipBitmapGetPixel(p, x, y, &argb);
        return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
    }
    int DarkPixels(const LayoutRect& rc) const {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; y += 2)
            for (int x = rc.left; x < rc.right; x += 2)
                n += GetRValue(At(x, y)) < 100;
        return n;
    }
};

std::vector<std::string> Lines(const std::vector<uint8_t>& bytes, size_t from) {
    std::vector<std::string> lines;
    const std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end());
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

E2E_TEST(ExportWritesTheCsvRowByRowAndOnePagePerScreenOfCells) {
    const std::optional<TestShare> share = MakeShare(L"desk-export");
    REQUIRE(share);
    const SYSTEMTIME day = Today();
    const DeskPageLayout page =
        ComputeDeskPageLayout(kExportPageWidth, kExportPageHeight, kExportPageDpi, kExportPageDpi);
    // two pages' worth, a bad file of each kind among them
    std::vector<ShareRecord> records;
    for (int i = 0; i < page.perPage + 2; ++i)
        records.push_back({kKiosks[i % 2], 8, i, i == 3 ? 1 : 0,
                           i == 3 || i == 5 ? CLR_INVALID : RGB(40 + i * 9, 200 - i * 7, (i * 53) % 200)});
    FillShare(*share, day, records);
    const std::wstring folder = ProgramFolderCopy(DeskConfig(share->unc + L"\\velmo\\"));
    const std::wstring out = TempFolder(L"desk-export-out");
    const std::wstring stale = out + L"\\sign-ins-" + DayText(day) + L"-3.png";
    REQUIRE(WriteTextFile(stale, "an earlier, longer export"));
    std::string said;
    const DWORD code =
        RunProgram(L"\"" + folder + L"\\VelmoDesk.exe\" /export " + DayText(day) + L" \"" + out + L"\"", said);
    std::printf("  %s", said.c_str());
    CHECK_EQ(code, DWORD{0});
    CHECK(said.starts_with("Wrote sign-ins-"));

    const std::vector<uint8_t> csv = ReadFileBytes(out + L"\\sign-ins-" + DayText(day) + L".csv");
    REQUIRE(csv.size() > 3);
    CHECK(csv[0] == 0xEF && csv[1] == 0xBB && csv[2] == 0xBF);
    const std::vector<std::string> lines = Lines(csv, 3);
    REQUIRE(lines.size() == records.size() + 1);
    CHECK(lines[0] == "date,time,kiosk,file name");
    for (size_t i = 0; i < records.size(); ++i) {
        const ShareRecord& r = records[i];
        char time[16];
        std::snprintf(time, sizeof(time), "%02d:%02d:%02d", r.hour, r.minute, r.second);
        const std::string want =
            Utf8(DayText(day)) + "," + time + "," + Utf8(r.kiosk) + "," + Utf8(NameOf(day, r.hour, r.minute, r.second));
        if (lines[i + 1] != want)
            Fail(__FILE__, __LINE__, "row " + std::to_string(i + 1) + ": " + lines[i + 1] + " != " + want);
    }

    CHECK(FileNamesIn(out, L"*.png").size() == 2);
    CHECK(::GetFileAttributesW(stale.c_str()) == INVALID_FILE_ATTRIBUTES);
    CGdiplus gdiplus;
    for (int p = 0; p < 2; ++p) {
        const Page png(out + L"\\sign-ins-" + DayText(day) + L"-" + std::to_wstring(p + 1) + L".png");
        REQUIRE(png.p);
        CHECK(png.DarkPixels(page.title) > 100);   // site folder and day
        CHECK(png.DarkPixels(page.subtitle) > 50); // printed at, page n of m
        for (int slot = 0; slot < page.perPage; ++slot) {
            const size_t i = static_cast<size_t>(p * page.perPage + slot);
            const LayoutRect box =
                DeskCellPicture(page.cells, static_cast<size_t>(slot), page.cellArea.left, page.cellArea.top);
            const COLORREF centre = png.At((box.left + box.right) / 2, (box.top + box.bottom) / 2);
            const COLORREF want =
                i < records.size() && records[i].color != CLR_INVALID ? records[i].color : RGB(255, 255, 255);
            if (!ColorNear(centre, want))
                Fail(__FILE__, __LINE__, "page " + std::to_string(p + 1) + " cell " + std::to_string(slot));
            // a blank cell has its frame; an empty slot has nothing
            const bool bFramed = !ColorNear(png.At(box.left, (box.top + box.bottom) / 2), RGB(255, 255, 255));
            CHECK(bFramed == (i < records.size()));
        }
    }
}

E2E_TEST(ExportSaysWhyInOneLineAndAnEmptyDayIsNoError) {
    const std::optional<TestShare> share = MakeShare(L"desk-export-fail");
    REQUIRE(share);
    FillShare(*share, Today(), {});
    const std::wstring out = TempFolder(L"desk-export-fail-out");
    const struct {
        const char* name;
        std::string config;
        std::wstring args;
        DWORD code;
        size_t files;
    } cases[] = {
        {"no share set", "[Time]\r\nMinTime=30000\r\n", L"2024-03-07", 2, 0},
        {"share not a path", "[Share]\r\nFolder=velmo\r\n", L"2024-03-07", 2, 0},
        {"share unreachable", DeskConfig(L"\\\\velmo-test\\no-such-share\\velmo"), L"2024-03-07", 3, 0},
        {"not a day", DeskConfig(share->unc + L"\\velmo"), L"2024-02-30", 1, 0},
        {"no folder", DeskConfig(share->unc + L"\\velmo"), L"2024-03-07", 1, 0},
        {"a day nobody came", DeskConfig(share->unc + L"\\velmo"), L"2001-01-01", 0, 2},
    };
    for (const auto& c : cases) {
        std::printf("  %s\n", c.name);
        DeleteTree(out);
        const std::wstring folder = ProgramFolderCopy(c.config);
        const std::wstring target = std::string(c.name) == "no folder" ? L"" : L" \"" + out + L"\"";
        std::string said;
        const DWORD code = RunProgram(L"\"" + folder + L"\\VelmoDesk.exe\" /export " + c.args + target, said);
        std::printf("    %lu: %s", code, said.c_str());
        CHECK_EQ(code, c.code);
        CHECK(!said.empty() && said.find('\n') == said.size() - 1); // one line
        CHECK_EQ(FileNamesIn(out).size(), c.files);
    }
    const std::vector<uint8_t> csv = ReadFileBytes(out + L"\\sign-ins-2001-01-01.csv");
    CHECK(std::string(csv.begin(), csv.end()) == "\xEF\xBB\xBF"
                                                 "date,time,kiosk,file name\r\n");
}

} // namespace
