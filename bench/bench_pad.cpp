// Frame time of the pad under the platform's OpenGL: rendering, read-back
// and presentation, for the full redraw that redraws every stamp each tick
// and for the incremental frame that draws only the stamps of the last tick.
// Run by hand: bench_pad [width height]; prints one line per stamp count.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "pad/GLContext.h"
#include "pad/RenderSurface.h"
#include "pad/StampRenderer.h"

namespace {

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

template <class F> double MedianMs(int runs, F&& frame) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        frame();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Back-and-forth writing across the pad at a steady pace of 4 px a move,
// as a hand writes; one stamp per pixel of travel.
void Write(CStrokeModel& model, int cx, int cy, size_t nStamps) {
    int x = 40, y = 40, dx = 4;
    model.OnMouseMove(x, y, cx, cy);
    model.OnLButtonDown(x, y);
    while (model.Points().size() < nStamps) {
        x += dx;
        if (x < 40 || x > cx - 40) {
            dx = -dx;
            y = 40 + (y + 7 - 40) % (cy - 80);
        }
        model.OnMouseMove(x, y + (x / 9) % 11, cx, cy);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int cx = 1400, cy = 650; // the pad at 1920 x 1080
    if (argc >= 3) {
        cx = _wtoi(argv[1]);
        cy = _wtoi(argv[2]);
    }
    WNDCLASSW wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelmoBenchPad";
    ::RegisterClassW(&wc);
    HWND hWnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, cx, cy, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    HDC hdc = ::GetDC(hWnd);
    int nFormat = 0;
    CGLContext context(SetupPadPixelFormat(hdc, nFormat) ? ::wglCreateContext(hdc) : nullptr);
    if (!context.MakeCurrent(hdc)) {
        std::printf("no OpenGL context\n");
        return 1;
    }
    std::printf("renderer: %s, pad %d x %d\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)), cx, cy);

    CStampRenderer renderer;
    renderer.Resize(cx, cy);
    renderer.LoadTexture(MakeSoftBrush());
    CFrameDib frame;
    if (!frame.Create(cx, cy))
        return 1;

    const double present = MedianMs(30, [&] { frame.Present(hdc, cx, cy); });
    std::printf("presentation alone (BitBlt of the frame): %.2f ms\n", present);
    std::printf("%8s %14s %16s %14s %14s\n", "stamps", "full ms", "incremental ms", "restart ms", "bytes/stamp");
    for (size_t n : {size_t{1000}, size_t{10000}, size_t{100000}}) {
        CStrokeModel model;
        Write(model, cx, cy, n);
        const std::vector<StrokePoint>& all = model.Points();
        // a tick's worth of writing: about 30 stamps
        const std::span<const StrokePoint> tick(all.data() + all.size() - 30, 30);
        const int runs = n >= 100000 ? 5 : 15;
        const double full = MedianMs(runs, [&] {
            renderer.RenderFull(all, frame);
            frame.Present(hdc, cx, cy);
        });
        const double incremental = MedianMs(runs * 4, [&] {
            renderer.AddStamps(tick, frame);
            frame.Present(hdc, cx, cy);
        });
        const double restart = MedianMs(runs, [&] {
            frame.FillWhite();
            renderer.AddStamps(all, frame);
            frame.Present(hdc, cx, cy);
        });
        const double bytes = static_cast<double>(all.capacity() * sizeof(StrokePoint)) / static_cast<double>(n);
        std::printf("%8zu %14.2f %16.2f %14.2f %14.1f\n", n, full, incremental, restart, bytes);
    }
    context.Reset();
    ::ReleaseDC(hWnd, hdc);
    ::DestroyWindow(hWnd);
    return 0;
}
