// Times one full page paint at the screen's size, and SaveBmpFile and
// LoadBmpFile of a 1391 x 930 record-sized bitmap, beside a plain memory copy
// of the same bytes. Run under Wine or on Windows; prints figures.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/GdiPlus.h"
#include "records/BitmapEx.h"

namespace {
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

template <class F> double BestOf(int n, F f) {
    double best = 1e30;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, Ms(t0, Clock::now()));
    }
    return best;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    CGdiplusStartup gdiplus;
    gdiplus.Startup(Gdiplus::GdiplusStartupInput());
    const wchar_t* pszPage = argc > 1 ? argv[1] : L"Picture\\PadMsg.png";
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);

    // the page paint: page picture and shade into a screen-sized back buffer
    CGpImage page(pszPage);
    CBitmapEx backBuffer;
    backBuffer.CopyScreenRect({0, 0, cx, cy});
    CClientDC screen(nullptr);
    const double paintMs = BestOf(10, [&] {
        CDC memDC = CDC::CreateCompatible(screen.Get());
        CSelectObject select(memDC.Get(), backBuffer.GetSafeHandle());
        CGpGraphics graphics(memDC.Get());
        graphics.DrawStretched(page, RECT{0, 0, cx, cy});
    });
    std::printf("page paint %dx%d (%s): %.1f ms\n", cx, cy, page.Get() ? "picture" : "NO PICTURE", paintMs);

    CBitmapEx record;
    record.CopyScreenRect({0, 0, 1391, 930});
    const double bytes = 54.0 + 1391.0 * 4 * 930;
    const double saveMs = BestOf(10, [&] { record.SaveBmpFile(L"bench_record.bmp"); });
    CBitmapEx loaded;
    const double loadMs = BestOf(10, [&] { loaded.LoadBmpFile(L"bench_record.bmp"); });
    std::vector<char> from(static_cast<size_t>(bytes)), to(static_cast<size_t>(bytes));
    const double copyMs = BestOf(10, [&] { std::memcpy(to.data(), from.data(), from.size()); });
    auto mbps = [&](double ms) { return bytes / (ms / 1000.0) / 1e6; };
    std::printf("SaveBmpFile 1391x930x32: %.2f ms (%.0f MB/s)\n", saveMs, mbps(saveMs));
    std::printf("LoadBmpFile 1391x930x32: %.2f ms (%.0f MB/s), loaded %s\n", loadMs, mbps(loadMs),
                loaded.GetSafeHandle() ? "ok" : "FAILED");
    std::printf("memcpy of the same %.0f bytes: %.3f ms (%.0f MB/s)\n", bytes, copyMs, mbps(copyMs));
    ::DeleteFileW(L"bench_record.bmp");
    return 0;
}
