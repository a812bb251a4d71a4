// What a visitor feels, driving the real Velmo.exe by input and judging by
// screen pixels: tap -> page (from the release of a tap on the launcher until
// the page's title band and Save button are on the screen, median and maximum
// of 30), ink on the pad (from a move sent while writing until its ink is on
// the screen), start-up -> launcher, and the history with nine 1391 x 930 x
// 32 records (press -> nine cells, one page turn, timed from the press, on
// which they act), each from the moment the event is sent, and the time
// SendInput itself takes, their floor. Run from build/windows under Wine as
// a visitor would run the kiosk, e.g. `wine e2e/bench_tap.exe` on a display
// without a window manager, or in a Wine desktop of the kiosk's size;
// `bench_tap page` leaves the history out.
#include "tests/e2e/Harness.h"

#include "shell/Layout.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <gdiplus.h>

using namespace e2e;

namespace {

struct Probe {
    POINT pt;
    COLORREF expected;
};

// Points of the title band and the Save button where the page picture is
// opaque, with the colour the page gives them.
std::vector<Probe> PageProbes(const std::wstring& folder) {
    const int cx = ScreenWidth(), cy = ScreenHeight();
    const CClientDC screen(nullptr);
    const CBitmapHandle bitmap(::CreateCompatibleBitmap(screen.Get(), cx, cy));
    const CMemoryDC dc(screen.Get(), bitmap.Get());
    const HDC hdc = dc.Get();
    Gdiplus::GpImage* pImage = nullptr;
    Gdiplus::DllExports::GdipLoadImageFromFile((folder + L"\\Picture\\PadMsg.png").c_str(), &pImage);
    Gdiplus::GpGraphics* pGraphics = nullptr;
    Gdiplus::DllExports::GdipCreateFromHDC(hdc, &pGraphics);
    const Gdiplus::GpPoint points[3] = {{0, 0}, {cx, 0}, {0, cy}};
    Gdiplus::DllExports::GdipDrawImagePointsI(pGraphics, pImage, points, 3);
    Gdiplus::DllExports::GdipDeleteGraphics(pGraphics);
    Gdiplus::DllExports::GdipDisposeImage(pImage);
    std::vector<Probe> probes;
    const LayoutRect save = ComputePressRegions(cx, cy).buttons[3];
    for (int i = 1; i <= 5; ++i) {
        const POINT title{cx * i / 7, cy * 4 / 100};
        probes.push_back({title, ::GetPixel(hdc, title.x, title.y)});
        const POINT button{save.left + save.Width() * i / 6, (save.top + save.bottom) / 2};
        probes.push_back({button, ::GetPixel(hdc, button.x, button.y)});
    }
    return probes;
}

bool PageOnScreen(const std::vector<Probe>& probes) {
    for (const Probe& p : probes) {
        if (!ColorNear(ScreenPixel(p.pt.x, p.pt.y), p.expected, 24))
            return false;
    }
    return true;
}

// A 1391 x 930 x 32 record of one colour, as the kiosk writes them.
void WriteRecord(const std::wstring& path, COLORREF color) {
    const int cx = 1391, cy = 930;
    std::string data(54, '\0');
    BITMAPFILEHEADER bf{0x4D42, static_cast<DWORD>(54 + cx * cy * 4), 0, 0, 54};
    BITMAPINFOHEADER bi{sizeof(bi), cx, cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::memcpy(&data[0], &bf, 14);
    std::memcpy(&data[14], &bi, 40);
    const uint32_t pixel = 0xFF000000u | (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    std::string pixels(static_cast<size_t>(cx) * cy * 4, '\0');
    for (size_t i = 0; i < pixels.size(); i += 4)
        std::memcpy(&pixels[i], &pixel, 4);
    WriteTextFile(path, data + pixels);
}

COLORREF RecordColor(int i) {
    return RGB(40 + i * 20, 200 - i * 15, (i * 70) & 0xFF);
}

// Whether each history cell's centre shows the given record (-1: none of them).
bool CellsShow(const RECT& rcDlg, const std::vector<int>& records) {
    const double sx = ScreenWidth() / 1920.0, sy = ScreenHeight() / 1080.0;
    for (int t = 0; t < static_cast<int>(records.size()); ++t) {
        const int x = rcDlg.left + static_cast<int>((t % 3) * 304 * sx + 69 * sx + 140 * sx);
        const int y = rcDlg.top + static_cast<int>((t / 3) * 224 * sy + 47 * sy + 84 * sy);
        const COLORREF c = ScreenPixel(x, y);
        for (int i = 0; i < 9; ++i) {
            if (ColorNear(c, RecordColor(i), 6) != (i == records[t]))
                return false;
        }
    }
    return true;
}

struct FindDialog {
    DWORD pid;
    HWND hMain, hPopup, hFound;
};

BOOL CALLBACK FindHistoryWindow(HWND hWnd, LPARAM lParam) {
    auto* p = reinterpret_cast<FindDialog*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid == p->pid && hWnd != p->hMain && hWnd != p->hPopup && ::IsWindowVisible(hWnd)) {
        wchar_t szClass[16] = L"";
        ::GetClassNameW(hWnd, szClass, 16);
        if (wcscmp(szClass, L"#32770") == 0) {
            p->hFound = hWnd;
            return FALSE;
        }
    }
    return TRUE;
}

// Ink on the screen after each move of a slow stroke across the pad: from
// the moment the move is sent until the middle of the segment it adds,
// white before, is inked. The moves come at uneven intervals, so they fall
// anywhere between two of the pad's ticks.
std::vector<double> InkLatencies(CKiosk& kiosk) {
    std::vector<double> latencies;
    if (!kiosk.ShowPage())
        return latencies;
    const LayoutRect pad = ComputeStartupLayout(ScreenWidth(), ScreenHeight()).pad;
    constexpr int kStep = 12;
    for (int row = 0; row < 3; ++row) {
        const int y = pad.top + 80 + row * 60;
        int x = pad.left + 40;
        MoveTo(x, y);
        Press(x, y);
        for (int i = 0; i < 21 && x + 2 * kStep < pad.right; ++i, x += kStep) {
            const int probe = x + kStep / 2 + 1;
            // the stamps of a press's first move are faint by design
            const bool bTimed = i > 0 && CScreenPixels::Lightness(ScreenPixel(probe, y)) >= 230;
            const double t0 = NowMs();
            SendMouseInput(x + kStep, y, 0);
            while (bTimed && CScreenPixels::Lightness(ScreenPixel(probe, y)) >= 230 && NowMs() - t0 < 1000)
                ;
            if (bTimed)
                latencies.push_back(NowMs() - t0);
            ::Sleep(40 + (i * 7) % 23);
        }
        Release(x, y);
        Pause(300);
    }
    Tap(ScreenWidth() * 1750 / 1920, ScreenHeight() * 50 / 1080);
    WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); });
    return latencies;
}

double Maximum(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // `bench_tap page`: the launcher and the pad only, without the history
    const bool bPageOnly = argc > 1 && wcscmp(argv[1], L"page") == 0;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    // the floor of every input-driven figure: SendInput of a plain move that
    // no window of ours reacts to
    std::vector<double> sends;
    for (int i = 0; i < 21; ++i) {
        const double t0 = NowMs();
        SendMouseInput(10 + (i % 2) * 10, 10, 0);
        sends.push_back(NowMs() - t0);
        ::Sleep(20);
    }
    std::vector<double> startups, taps, inks;
    {
        CKiosk kiosk;
        if (!kiosk.Started())
            return 1;
        startups.push_back(kiosk.StartupMs());
        const std::vector<Probe> probes = PageProbes(kiosk.Folder());
        const int cx = ScreenWidth(), cy = ScreenHeight();
        for (int i = 0; i < 31; ++i) {
            const RECT rc = WindowRect(kiosk.Popup());
            const POINT pt{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
            MoveTo(pt.x, pt.y);
            ::Sleep(60);
            if (PageOnScreen(probes))
                std::printf("the probes match before the tap: the figure means nothing\n");
            Press(pt.x, pt.y);
            // from the moment the release is sent: under Wine SendInput can
            // return after the kiosk has already handled it
            const double t0 = NowMs();
            SendMouseInput(pt.x, pt.y, MOUSEEVENTF_LEFTUP);
            while (!PageOnScreen(probes) && NowMs() - t0 < 10000)
                ;
            if (i > 0) // the first showing also loads what start-up left for later
                taps.push_back(NowMs() - t0);
            std::fflush(stdout);
            // leave by the exit region and let the desktop settle
            Pause(300);
            Tap(cx * 1750 / 1920, cy * 50 / 1080);
            WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); });
            Pause(500);
        }
        inks = InkLatencies(kiosk);
    }
    for (int i = 0; i < 4; ++i) {
        CKiosk kiosk;
        startups.push_back(kiosk.StartupMs());
    }

    // the history with nine full-size records: opened cold (the records came
    // while the page was up) or after the kiosk was idle at the launcher
    // (which scales the first page ahead), then again; one page turn down (six
    // pictures in new cells) and back up
    std::vector<double> coldOpens, idleOpens, warmOpens, turnsDown, turnsUp;
    for (int run = 0; run < (bPageOnly ? 0 : 6); ++run) {
        CKiosk kiosk;
        const std::wstring folder = kiosk.Folder() + L"\\SignIn";
        ::CreateDirectoryW(folder.c_str(), nullptr);
        for (int i = 0; i < 9; ++i) {
            wchar_t szName[64];
            std::swprintf(szName, 64, L"\\2024年03月07日09时%02d分00秒.bmp", 10 + i);
            WriteRecord(folder + szName, RecordColor(i));
        }
        const double sx = ScreenWidth() / 1920.0, sy = ScreenHeight() / 1080.0;
        const std::vector<int> top{8, 7, 6, 5, 4, 3, 2, 1, 0}, down{5, 4, 3, 2, 1, 0, -1, -1, -1};
        const bool bIdleFirst = run % 2 == 1;
        if (bIdleFirst) {
            if (!kiosk.ShowPage())
                return 1;
            Tap(ScreenWidth() * 1750 / 1920, ScreenHeight() * 50 / 1080);
            WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); });
            Pause(1500);
        }
        for (int visit = 0; visit < 2; ++visit) {
            if (!kiosk.ShowPage())
                return 1;
            Pause(500);
            const int hx = static_cast<int>(124 * sx), hy = static_cast<int>(408 * sy);
            MoveTo(hx, hy);
            ::Sleep(60);
            // the page and the history act on the press itself
            double t0 = NowMs();
            SendMouseInput(hx, hy, MOUSEEVENTF_LEFTDOWN);
            FindDialog find{0, kiosk.Main(), kiosk.Popup(), nullptr};
            ::GetWindowThreadProcessId(kiosk.Main(), &find.pid);
            RECT rcDlg{};
            while (NowMs() - t0 < 10000) {
                find.hFound = nullptr;
                ::EnumWindows(FindHistoryWindow, reinterpret_cast<LPARAM>(&find));
                if (find.hFound && (rcDlg = WindowRect(find.hFound), CellsShow(rcDlg, top)))
                    break;
            }
            (visit == 0 ? (bIdleFirst ? idleOpens : coldOpens) : warmOpens).push_back(NowMs() - t0);
            Release(hx, hy);
            // down, then up: alternate spots so two taps make no double-click
            for (const bool bDown : {true, false}) {
                Pause(300);
                const int x = rcDlg.left + static_cast<int>((bDown ? 453 : 206) * sx);
                const int y = rcDlg.top + static_cast<int>(870 * sy);
                MoveTo(x, y);
                ::Sleep(60);
                t0 = NowMs();
                SendMouseInput(x, y, MOUSEEVENTF_LEFTDOWN);
                while (!CellsShow(rcDlg, bDown ? down : top) && NowMs() - t0 < 10000)
                    ;
                if (visit == 0)
                    (bDown ? turnsDown : turnsUp).push_back(NowMs() - t0);
                Release(x, y);
            }
            Pause(300);
            const int cx = rcDlg.left + static_cast<int>(749 * sx), cy = rcDlg.top + static_cast<int>(870 * sy);
            Tap(cx, cy);
            WaitUntil([&] { return !::IsWindow(find.hFound); });
            Pause(300);
            Tap(ScreenWidth() * 1750 / 1920, ScreenHeight() * 50 / 1080);
            WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); });
            Pause(500);
        }
    }
    if (!bPageOnly) {
        std::printf("history press -> nine cells, first opening, cold: median %.0f ms of %zu\n", Median(coldOpens),
                    coldOpens.size());
        std::printf("history press -> nine cells, first opening after the kiosk was idle: median %.0f ms of %zu\n",
                    Median(idleOpens), idleOpens.size());
        std::printf("history press -> nine cells, opened again: median %.0f ms of %zu\n", Median(warmOpens),
                    warmOpens.size());
        std::printf("page turn down (six pictures in new cells): median %.0f ms of %zu\n", Median(turnsDown),
                    turnsDown.size());
        std::printf("page turn back up: median %.0f ms of %zu\n", Median(turnsUp), turnsUp.size());
    }
    std::printf("tap -> page (title band and Save on screen): median %.0f ms, maximum %.0f ms of %zu\n", Median(taps),
                Maximum(taps), taps.size());
    std::printf("move -> its ink on the screen: median %.1f ms, maximum %.1f ms of %zu\n", Median(inks), Maximum(inks),
                inks.size());
    std::printf("start-up -> launcher: median %.0f ms of %zu\n", Median(startups), startups.size());
    std::printf("SendInput of a plain move (floor of the input-driven figures): median %.2f ms of %zu\n", Median(sends),
                sends.size());
    Gdiplus::GdiplusShutdown(token);
    std::printf("1 passed, 0 failed\n"); // for tools/wine-run
    return 0;
}
