// One paint of the history dialog with nine full-size records (1391 x 930,
// 32 bits): the dialog's own drawing code into a memory DC of the dialog's
// size, then one copy to the screen, as OnPaint does. Windows or Wine:
//   bench_history_paint [paints]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/GdiPlus.h"
#include "history/HistoryDlg.h"

namespace {

constexpr int kRecordWidth = 1391;
constexpr int kRecordHeight = 930;

double Now() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

SIZE_T CommittedBytes() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    return ::K32GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc)) ? pmc.PagefileUsage : 0;
}

// A bottom-up 32-bit BMP with a gradient, so no decoder can take a shortcut.
bool WriteRecord(const std::wstring& path, int seed) {
    const DWORD imageSize = kRecordWidth * kRecordHeight * 4;
    BITMAPFILEHEADER bf{0x4D42, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize, 0, 0,
                        sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    BITMAPINFOHEADER bi{sizeof(bi), kRecordWidth, kRecordHeight, 1, 32, BI_RGB, imageSize, 2835, 2835, 0, 0};
    std::vector<DWORD> pixels(static_cast<size_t>(kRecordWidth) * kRecordHeight);
    for (int y = 0; y < kRecordHeight; ++y) {
        for (int x = 0; x < kRecordWidth; ++x)
            pixels[static_cast<size_t>(y) * kRecordWidth + x] =
                RGB((x + seed * 40) & 0xFF, (y + seed * 20) & 0xFF, (x ^ y) & 0xFF);
    }
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD n = 0;
    bool ok = ::WriteFile(h, &bf, sizeof(bf), &n, nullptr) && ::WriteFile(h, &bi, sizeof(bi), &n, nullptr) &&
              ::WriteFile(h, pixels.data(), imageSize, &n, nullptr) && n == imageSize;
    ::CloseHandle(h);
    return ok;
}

// A working folder laid out like the program folder: the two pictures of
// the history beside a record folder with nine records.
bool MakeWorkFolder(const std::wstring& work) {
    wchar_t szExe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, szExe, MAX_PATH);
    std::wstring program = szExe;
    program.resize(program.rfind(L'\\'));     // e2e
    program.resize(program.rfind(L'\\') + 1); // the build folder
    program += L"Velmo\\Picture\\";
    ::CreateDirectoryW(work.c_str(), nullptr);
    ::CreateDirectoryW((work + L"\\Picture").c_str(), nullptr);
    ::CreateDirectoryW((work + L"\\SignIn").c_str(), nullptr);
    for (const wchar_t* name : {L"HistoryMsg.png", L"ScrollBar.png"}) {
        if (!::CopyFileW((program + name).c_str(), (work + L"\\Picture\\" + name).c_str(), FALSE))
            return false;
    }
    for (int i = 0; i < 9; ++i) {
        wchar_t szName[64];
        std::swprintf(szName, 64, L"\\SignIn\\2024年03月07日09时%02d分00秒.bmp", 10 + i);
        if (!WriteRecord(work + szName, i))
            return false;
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int nPaints = argc > 1 ? std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10))) : 20;
    wchar_t szTemp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, szTemp);
    const std::wstring work = std::wstring(szTemp) + L"velmo-bench-history";
    if (!MakeWorkFolder(work) || !::SetCurrentDirectoryW(work.c_str())) {
        std::printf("could not prepare %ls\n", work.c_str());
        return 1;
    }
    CGdiplusStartup gdiplus;
    if (!gdiplus.Startup(Gdiplus::GdiplusStartupInput()))
        return 1;

    CHistoryDlg dlg(30000); // the benchmark never lets its timer run
    dlg.LoadPictures();
    dlg.LoadList(L"SignIn");
    const int cxScreen = ::GetSystemMetrics(SM_CXSCREEN), cyScreen = ::GetSystemMetrics(SM_CYSCREEN);
    CGpImage background(L"Picture\\HistoryMsg.png");
    const LayoutRect rcDlg =
        HistoryDialogRect(static_cast<int>(background.Width()), static_cast<int>(background.Height()),
                          DesignScale::ForScreen(cxScreen, cyScreen));
    const RECT rcClient{0, 0, rcDlg.Width(), rcDlg.Height()};
    std::printf("screen %d x %d, dialog %d x %d, %zu records of %d x %d x 32 bits\n", cxScreen, cyScreen, rcDlg.Width(),
                rcDlg.Height(), dlg.List().Files().size(), kRecordWidth, kRecordHeight);
    if (dlg.List().Files().size() != 9 || rcDlg.Width() <= 0)
        return 1;

    CClientDC screen(nullptr);
    const CBitmapHandle bitmap(::CreateCompatibleBitmap(screen.Get(), rcDlg.Width(), rcDlg.Height()));
    const CMemoryDC memDC(screen.Get(), bitmap.Get());
    const auto paint = [&] {
        dlg.Draw(memDC.Get(), rcClient);
        ::BitBlt(screen.Get(), rcDlg.left, rcDlg.top, rcDlg.Width(), rcDlg.Height(), memDC.Get(), 0, 0, SRCCOPY);
    };

    paint(); // the first paint loads the codecs
    const SIZE_T memBefore = CommittedBytes();
    const DWORD gdiBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    std::vector<double> times;
    for (int i = 0; i < nPaints; ++i) {
        const double t0 = Now();
        paint();
        times.push_back(Now() - t0);
    }
    const SIZE_T memAfter = CommittedBytes();
    const DWORD gdiAfter = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);

    // where the time goes: decoding the nine records alone
    std::vector<double> decodes;
    for (int i = 0; i < std::min(nPaints, 5); ++i) {
        const double t0 = Now();
        for (const std::wstring& path : dlg.List().Files()) {
            CGpImage picture(path.c_str());
            UINT n = 0;
            Gdiplus::DllExports::GdipGetImageWidth(picture.Get(), &n);
        }
        decodes.push_back(Now() - t0);
    }

    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    std::sort(decodes.begin(), decodes.end());
    std::printf("history paint, 9 records: min %.1f ms, median %.1f ms, mean %.1f ms, max %.1f ms (%d paints)\n",
                times.front(), times[times.size() / 2], sum / times.size(), times.back(), nPaints);
    std::printf("  of which loading the 9 files (median): %.1f ms\n", decodes[decodes.size() / 2]);
    std::printf("  committed memory %zu KB before, %zu KB after; GDI objects %lu before, %lu after\n",
                static_cast<size_t>(memBefore >> 10), static_cast<size_t>(memAfter >> 10),
                static_cast<unsigned long>(gdiBefore), static_cast<unsigned long>(gdiAfter));
    return 0;
}
