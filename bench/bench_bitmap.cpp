// The BMP codec beside a plain memory copy of the same bytes, in the same
// run: encoding a 1391 x 930 record-sized bitmap into a file image (the
// record canvas the kiosk makes, and a device bitmap of the same pixels),
// and parsing that image back into a bitmap; then SaveBmpFile and
// LoadBmpFile, and one full page paint at the screen's size. Run under Wine
// or on Windows; prints figures.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "framework/GdiPlus.h"
#include "records/BitmapEx.h"

namespace {
using Clock = std::chrono::steady_clock;

// Medians of several measurements taken in turn, round after round, so that
// the load of a shared machine falls on each of them alike.
std::vector<double> InterleavedMediansMs(int n, const std::vector<std::function<void()>>& fs) {
    std::vector<std::vector<double>> times(fs.size());
    for (int i = 0; i < n; ++i) {
        for (size_t k = 0; k < fs.size(); ++k) {
            const auto t0 = Clock::now();
            fs[k]();
            times[k].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
    }
    std::vector<double> medians;
    for (std::vector<double>& t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
}

template <class F> double MedianMs(int n, F f) {
    return InterleavedMediansMs(n, {f})[0];
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    CGdiplusStartup gdiplus;
    gdiplus.Startup(Gdiplus::GdiplusStartupInput());
    const wchar_t* pszPage = argc > 1 ? argv[1] : L"Picture\\PadMsg.png";
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    constexpr int kRuns = 31;

    // a record-sized canvas with varied content, as the kiosk composes one
    // from its screen copy; and that copy, a device bitmap of the same pixels
    // which only GetDIBits can read
    CClientDC screen(nullptr);
    CBitmapEx device;
    device.CopyScreenRect({0, 0, 1391, 930});
    CBitmapEx record;
    {
        CBitmapHandle bitmap(CreateCanvasBitmap(screen.Get(), 1391, 930));
        {
            const CMemoryDC toDC(screen.Get(), bitmap.Get());
            const CMemoryDC fromDC(screen.Get(), device.GetSafeHandle());
            ::BitBlt(toDC.Get(), 0, 0, 1391, 930, fromDC.Get(), 0, 0, SRCCOPY);
        }
        record.Attach(bitmap.Release());
    }
    std::vector<uint8_t> file;
    record.EncodeBmp(file);
    const double bytes = static_cast<double>(file.size());
    std::vector<uint8_t> deviceFile;
    device.EncodeBmp(deviceFile);
    std::vector<uint8_t> to(file.size());
    // the kiosk decodes into a new bitmap each time; for comparison, the same
    // rows set into a device bitmap of that size that is already held
    CBitmapEx decoded;
    CBitmapHandle held(::CreateCompatibleBitmap(screen.Get(), 1391, 930));
    const auto* pInfo = reinterpret_cast<const BITMAPINFO*>(file.data() + 14);
    int nHeldLines = 0;
    const std::vector<double> ms = InterleavedMediansMs(
        kRuns,
        {[&] { std::memcpy(to.data(), file.data(), file.size()); }, [&] { record.EncodeBmp(file); },
         [&] { device.EncodeBmp(deviceFile); }, [&] { decoded.DecodeBmp(file.data(), file.size()); },
         [&] { nHeldLines = ::SetDIBits(screen.Get(), held.Get(), 0, 930, file.data() + 54, pInfo, DIB_RGB_COLORS); }});
    const double copyMs = ms[0];
    const double saveMs = MedianMs(kRuns, [&] { record.SaveBmpFile(L"bench_record.bmp"); });
    CBitmapEx loaded;
    const double loadMs = MedianMs(kRuns, [&] { loaded.LoadBmpFile(L"bench_record.bmp"); });
    ::DeleteFileW(L"bench_record.bmp");

    auto mbps = [&](double t) { return bytes / (t / 1000.0) / 1e6; };
    auto row = [&](const char* pszName, double t, const char* pszNote) {
        std::printf("%-34s %7.3f ms (%5.0f MB/s) = %3.0f%% of memcpy%s\n", pszName, t, mbps(t), 100 * copyMs / t,
                    pszNote);
    };
    std::printf("record 1391x930, %.0f bytes; medians of %d, measured in turn\n", bytes, kRuns);
    std::printf("%-34s %7.3f ms (%5.0f MB/s)\n", "memcpy (baseline)", copyMs, mbps(copyMs));
    row("encode, record canvas", ms[1], "");
    row("encode, device bitmap", ms[2], deviceFile == file ? ", same bytes" : ", DIFFERENT BYTES");
    row("decode into a new bitmap", ms[3], decoded.GetSafeHandle() ? "" : ", FAILED");
    row("set into a held bitmap (not used)", ms[4], nHeldLines == 930 ? "" : ", FAILED");
    std::printf("%-34s %7.3f ms (%5.0f MB/s)\n", "SaveBmpFile", saveMs, mbps(saveMs));
    std::printf("%-34s %7.3f ms (%5.0f MB/s)%s\n", "LoadBmpFile", loadMs, mbps(loadMs),
                loaded.GetSafeHandle() ? "" : ", FAILED");

    // the page paint: page picture and shade into a screen-sized back buffer,
    // a device bitmap as the kiosk keeps, and a DIB section for comparison
    CGpImage page(pszPage);
    CBitmapEx backBuffer;
    backBuffer.CopyScreenRect({0, 0, cx, cy});
    CBitmapHandle dibBuffer(CreateCanvasBitmap(screen.Get(), cx, cy));
    auto paintInto = [&](HBITMAP hBuffer) {
        return [&, hBuffer] {
            const CMemoryDC memDC(screen.Get(), hBuffer);
            CGpGraphics graphics(memDC.Get());
            graphics.DrawStretched(page, RECT{0, 0, cx, cy});
        };
    };
    const std::vector<double> paintMs =
        InterleavedMediansMs(15, {paintInto(backBuffer.GetSafeHandle()), paintInto(dibBuffer.Get())});
    std::printf("page paint %dx%d (%s): %.1f ms; into a DIB section %.1f ms\n", cx, cy,
                page.Get() ? "picture" : "NO PICTURE", paintMs[0], paintMs[1]);

    return 0;
}
