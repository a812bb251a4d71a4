// The cost of one sign-in record at 1920 x 1080 (1391 x 930 at the display's
// depth): composing the canvas, encoding it, writing it durably under its
// name, beside a plain sequential write and flush of the same bytes.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "framework/Handle.h"
#include "records/BitmapEx.h"
#include "records/SignInRecord.h"

namespace {
using Clock = std::chrono::steady_clock;

template <class F> double MedianMs(int n, F f) {
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        f(i);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

int wmain() {
    const int cx = 1391, cy = 930;
    CBitmapEx page, pad, photo;
    page.CopyScreenRect({0, 0, 1920, 1080});
    pad.CopyScreenRect({0, 0, 1400, 650});
    photo.LoadBmpFile(L"Picture\\photobk.bmp");
    CClientDC screen(nullptr);
    CBitmapEx canvas;
    const double composeMs = MedianMs(15, [&](int) {
        CBitmapHandle bitmap(CreateCanvasBitmap(screen.Get(), cx, cy));
        const CMemoryDC sourceDC(screen.Get());
        {
            const CMemoryDC canvasDC(screen.Get(), bitmap.Get());
            {
                CSelectObject select(sourceDC.Get(), page.GetSafeHandle());
                ::BitBlt(canvasDC.Get(), 0, 0, cx, cy, sourceDC.Get(), 267, 124, SRCCOPY);
            }
            {
                CSelectObject select(sourceDC.Get(), pad.GetSafeHandle());
                ::BitBlt(canvasDC.Get(), -5, -4, 1400, 650, sourceDC.Get(), 0, 0, SRCCOPY);
            }
            CSelectObject select(sourceDC.Get(), photo.GetSafeHandle());
            ::SetStretchBltMode(canvasDC.Get(), HALFTONE);
            ::StretchBlt(canvasDC.Get(), 949, 646, 423, 270, sourceDC.Get(), 0, 0, 640, 480, SRCCOPY);
        }
        canvas.Attach(bitmap.Release());
    });
    std::vector<uint8_t> file;
    const double encodeMs = MedianMs(15, [&](int) { canvas.EncodeBmp(file); });
    ::CreateDirectoryW(L"SignIn", nullptr);
    const double writeMs = MedianMs(15, [&](int i) { WriteSignInRecord(file, RecordTime{2030, 1, 1, 0, 0, i}); });
    const double plainMs = MedianMs(15, [&](int) {
        CHandle h(
            ::CreateFileW(L"plain.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD n = 0;
        ::WriteFile(h.Get(), file.data(), static_cast<DWORD>(file.size()), &n, nullptr);
        ::FlushFileBuffers(h.Get());
    });
    const double mb = file.size() / 1e6;
    std::printf("record %dx%d, %zu bytes\n", cx, cy, file.size());
    std::printf("compose: %.2f ms\nencode: %.2f ms (%.0f MB/s)\n", composeMs, encodeMs, mb / (encodeMs / 1000));
    std::printf("write durably (temp, flush, rename): %.2f ms (%.0f MB/s)\n", writeMs, mb / (writeMs / 1000));
    std::printf("plain sequential write + flush: %.2f ms (%.0f MB/s)\n", plainMs, mb / (plainMs / 1000));
    std::printf("total: %.2f ms\n", composeMs + encodeMs + writeMs);
    ::DeleteFileW(L"plain.bin");
    for (int i = 0; i < 15; ++i)
        ::DeleteFileW(RecordFileName(RecordTime{2030, 1, 1, 0, 0, i}).c_str());
    return 0;
}
