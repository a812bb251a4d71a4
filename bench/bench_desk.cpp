// The front desk with 1000 records of today on the share across 4 kiosk
// folders: VelmoDesk.exe started -> its window with the day listed -> every
// cell in view showing its picture (each beside the same with an empty
// share), and /export of the day (beside reading the 1000 files whole, the
// floor of any export). Records are full-size 1391 x 930 32-bit BMPs, hard
// links to one file per kiosk. Run from build/windows as
// `wine explorer /desktop=bench,1920x1080 e2e/bench_desk.exe` with WINEPREFIX set.
#include "tests/e2e/DeskWindow.h"
#include "tests/e2e/Harness.h"

#include "records/RecordName.h"

#include <cstdio>

using namespace e2e;

namespace {

constexpr int kRecords = 1000;
constexpr int kRuns = 3;
const COLORREF kColors[] = {RGB(200, 30, 30), RGB(30, 160, 30), RGB(30, 30, 200), RGB(200, 160, 0)};

struct Times {
    double window, listed, pictures;
};

// From the process's start to its window, to the day's counts, to every
// cell in view drawn with its kiosk's colour.
Times FirstPaint(const std::wstring& folder, int nRecords) {
    const double start = NowMs();
    CDesk desk(folder);
    Times t{NowMs() - start, 0, 0};
    const std::wstring all = std::to_wstring(nRecords) + L" in all";
    WaitUntil([&] { return desk.Counts().find(all) != std::wstring::npos; }, 60000);
    t.listed = NowMs() - start;
    RECT rcClient{};
    ::GetClientRect(desk.Window(), &rcClient);
    POINT bottom{0, rcClient.bottom};
    ::ClientToScreen(desk.Window(), &bottom);
    std::vector<POINT> centres;
    std::vector<COLORREF> colors;
    for (int v = 0; v < nRecords; ++v) {
        const RECT rc = desk.Cell(static_cast<size_t>(v));
        if (rc.bottom > bottom.y)
            break;
        centres.push_back({(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
        colors.push_back(kColors[(nRecords - 1 - v) % 4]);
    }
    while (NowMs() - start < 60000) {
        bool bAll = true;
        for (size_t i = 0; i < centres.size() && bAll; ++i)
            bAll = ColorNear(ScreenPixel(centres[i].x, centres[i].y), colors[i]);
        if (bAll)
            break;
        ::Sleep(2);
    }
    t.pictures = NowMs() - start;
    std::printf("  %d records: window %.0f ms, listed %.0f ms, %zu cells in view drawn %.0f ms\n", nRecords, t.window,
                t.listed, centres.size(), t.pictures);
    return t;
}

E2E_TEST(BenchDesk) {
    const std::optional<TestShare> share = MakeShare(L"bench-desk");
    REQUIRE(share);
    SYSTEMTIME day;
    ::GetLocalTime(&day);
    const std::wstring root = share->backing + L"\\velmo";
    ::CreateDirectoryW(root.c_str(), nullptr);
    std::vector<std::wstring> paths;
    for (int k = 0; k < 4; ++k) {
        const std::wstring kiosk = root + L"\\Entrance-" + std::to_wstring(k + 1);
        ::CreateDirectoryW(kiosk.c_str(), nullptr);
        REQUIRE(WriteTextFile(kiosk + L"\\record.src", SolidBmp(1391, 930, kColors[k], 32)));
    }
    for (int i = 0; i < kRecords; ++i) {
        const int seconds = 7 * 3600 + i * 30;
        const std::wstring name =
            RecordFileName({day.wYear, day.wMonth, day.wDay, seconds / 3600, seconds / 60 % 60, seconds % 60});
        const std::wstring kiosk = root + L"\\Entrance-" + std::to_wstring(i % 4 + 1);
        paths.push_back(kiosk + L"\\" + name.substr(name.find(L'\\') + 1));
        const std::wstring source = kiosk + L"\\record.src";
        if (!::CreateHardLinkW(paths.back().c_str(), source.c_str(), nullptr))
            REQUIRE(::CopyFileW(source.c_str(), paths.back().c_str(), FALSE));
    }
    const std::wstring unc = share->unc + L"\\velmo";
    const std::string config = "[Share]\r\nFolder=" + std::string(unc.begin(), unc.end()) + "\r\n";
    const std::wstring folder = ProgramFolderCopy(config);

    std::vector<double> listed, pictures, emptyListed, emptyPictures;
    for (int run = 0; run < kRuns; ++run) {
        const Times t = FirstPaint(folder, kRecords);
        listed.push_back(t.listed);
        pictures.push_back(t.pictures);
    }
    const std::optional<TestShare> empty = MakeShare(L"bench-desk-empty");
    REQUIRE(empty);
    ::CreateDirectoryW((empty->backing + L"\\velmo").c_str(), nullptr);
    for (int k = 0; k < 4; ++k)
        ::CreateDirectoryW((empty->backing + L"\\velmo\\Entrance-" + std::to_wstring(k + 1)).c_str(), nullptr);
    const std::wstring emptyUnc = empty->unc + L"\\velmo";
    const std::wstring emptyFolder =
        ProgramFolderCopy("[Share]\r\nFolder=" + std::string(emptyUnc.begin(), emptyUnc.end()) + "\r\n", L"-empty");
    for (int run = 0; run < kRuns; ++run) {
        const Times t = FirstPaint(emptyFolder, 0);
        emptyListed.push_back(t.listed);
        emptyPictures.push_back(t.pictures);
    }

    std::vector<double> exports, reads;
    const std::wstring out = TempFolder(L"bench-desk-out");
    wchar_t szDay[16];
    std::swprintf(szDay, 16, L"%04u-%02u-%02u", day.wYear, day.wMonth, day.wDay);
    for (int run = 0; run < kRuns; ++run) {
        std::string said;
        const double start = NowMs();
        const DWORD code =
            RunProgram(L"\"" + folder + L"\\VelmoDesk.exe\" /export " + szDay + L" \"" + out + L"\"", said, 600000);
        exports.push_back(NowMs() - start);
        CHECK_EQ(code, DWORD{0});
        std::printf("  export: %.0f ms: %s", exports.back(), said.c_str());
        const double startRead = NowMs();
        size_t bytes = 0;
        for (const std::wstring& path : paths)
            bytes += ReadFileBytes(path).size();
        reads.push_back(NowMs() - startRead);
        std::printf("  reading the %d records whole: %.0f ms, %zu MB\n", kRecords, reads.back(), bytes >> 20);
    }
    std::printf("%d records in 4 kiosk folders: listed in the window %.0f ms, cells in view drawn %.0f ms "
                "(empty share: %.0f ms, %.0f ms); export %.0f ms (reading the records whole %.0f ms); medians of %d\n",
                kRecords, Median(listed), Median(pictures), Median(emptyListed), Median(emptyPictures), Median(exports),
                Median(reads), kRuns);
    DeleteTree(share->backing);
    DeleteTree(empty->backing);
    DeleteTree(out);
}

} // namespace
