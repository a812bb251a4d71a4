// The BMP codec beside a plain memory copy of the same bytes, in the same
// run: encoding a 1391 x 930 record-sized bitmap into a file image, and
// parsing that image back into a bitmap; then SaveBmpFile and LoadBmpFile,
// and one full page paint at the screen's size. Run under Wine or on
// Windows; prints figures.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/GdiPlus.h"
#include "records/BitmapEx.h"

namespace {
using Clock = std::chrono::steady_clock;

template <class F> double MedianMs(int n, F f) {
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        f();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    CGdiplusStartup gdiplus;
    gdiplus.Startup(Gdiplus::GdiplusStartupInput());
    const wchar_t* pszPage = argc > 1 ? argv[1] : L"Picture\\PadMsg.png";
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    constexpr int kRuns = 21;

    // a record-sized bitmap with varied content, as a screen copy gives
    CBitmapEx record;
    record.CopyScreenRect({0, 0, 1391, 930});
    std::vector<uint8_t> file;
    record.EncodeBmp(file);
    const double bytes = static_cast<double>(file.size());
    std::vector<uint8_t> to(file.size());
    const double copyMs = MedianMs(kRuns, [&] { std::memcpy(to.data(), file.data(), file.size()); });
    const double encodeMs = MedianMs(kRuns, [&] { record.EncodeBmp(file); });
    CBitmapEx decoded;
    const double decodeMs = MedianMs(kRuns, [&] { decoded.DecodeBmp(file.data(), file.size()); });
    const double saveMs = MedianMs(kRuns, [&] { record.SaveBmpFile(L"bench_record.bmp"); });
    CBitmapEx loaded;
    const double loadMs = MedianMs(kRuns, [&] { loaded.LoadBmpFile(L"bench_record.bmp"); });
    ::DeleteFileW(L"bench_record.bmp");

    auto mbps = [&](double ms) { return bytes / (ms / 1000.0) / 1e6; };
    std::printf("record 1391x930, %.0f bytes; medians of %d\n", bytes, kRuns);
    std::printf("memcpy (baseline):   %7.3f ms (%5.0f MB/s)\n", copyMs, mbps(copyMs));
    std::printf("encode (EncodeBmp):  %7.3f ms (%5.0f MB/s) = %3.0f%% of memcpy\n", encodeMs, mbps(encodeMs),
                100 * copyMs / encodeMs);
    std::printf("decode (DecodeBmp):  %7.3f ms (%5.0f MB/s) = %3.0f%% of memcpy, %s\n", decodeMs, mbps(decodeMs),
                100 * copyMs / decodeMs, decoded.GetSafeHandle() ? "ok" : "FAILED");
    std::printf("SaveBmpFile:         %7.3f ms (%5.0f MB/s)\n", saveMs, mbps(saveMs));
    std::printf("LoadBmpFile:         %7.3f ms (%5.0f MB/s), %s\n", loadMs, mbps(loadMs),
                loaded.GetSafeHandle() ? "ok" : "FAILED");

    // the page paint: page picture and shade into a screen-sized back buffer
    CGpImage page(pszPage);
    CBitmapEx backBuffer;
    backBuffer.CopyScreenRect({0, 0, cx, cy});
    CClientDC screen(nullptr);
    const double paintMs = MedianMs(10, [&] {
        CDC memDC = CDC::CreateCompatible(screen.Get());
        CSelectObject select(memDC.Get(), backBuffer.GetSafeHandle());
        CGpGraphics graphics(memDC.Get());
        graphics.DrawStretched(page, RECT{0, 0, cx, cy});
    });
    std::printf("page paint %dx%d (%s): %.1f ms\n", cx, cy, page.Get() ? "picture" : "NO PICTURE", paintMs);

    return 0;
}
