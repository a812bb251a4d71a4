// The pad's renderer and brush reader, in this process: incremental frames
// equal full redraws, ink survives read-back traps a driver may set, and the
// brush image reader converts and refuses files as it should.
#include "Harness.h"

#include "pad/BrushImageFile.h"
#include "pad/GLContext.h"
#include "pad/RenderSurface.h"
#include "pad/StampRenderer.h"
#include "shell/VisitorTexts.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace e2e;

namespace {

// The text the page shows for a brush error, from the kiosk's own string
// table, with the file name in its place.
std::wstring KioskText(BrushError error, const std::wstring& file) {
    static const HMODULE hKiosk =
        ::LoadLibraryExW((BuildProgramFolder() + L"\\Velmo.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    wchar_t szText[256] = L"";
    if (hKiosk && error != BrushError::None)
        ::LoadStringW(hKiosk, BrushErrorText(error), szText, ARRAYSIZE(szText));
    std::wstring text = szText;
    if (const size_t at = text.find(L"%ws"); at != std::wstring::npos)
        text.replace(at, 3, file);
    return text;
}

// A top-level window with the pad's pixel format and a current context, for
// rendering in this process.
class CGLWindow {
public:
    // bSingleBuffer: a single-buffered format, as a driver may fall back to
    CGLWindow(int cx, int cy, bool bSingleBuffer = false) {
        WNDCLASSW wc{};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelmoTestGL";
        ::RegisterClassW(&wc);
        RECT rc{0, 0, cx, cy};
        ::AdjustWindowRectEx(&rc, WS_POPUP, FALSE, WS_EX_TOOLWINDOW);
        m_hWnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"VelmoTestGL", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                   rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, wc.hInstance, nullptr);
        m_hDC = ::GetDC(m_hWnd);
        int nFormat = 0;
        if (m_hDC && (bSingleBuffer ? SetSingleBufferedFormat() : SetupPadPixelFormat(m_hDC, nFormat)))
            m_hRC = CGLContext(::wglCreateContext(m_hDC));
        m_bCurrent = m_hRC.MakeCurrent(m_hDC);
    }
    ~CGLWindow() {
        m_hRC.Reset();
        ::ReleaseDC(m_hWnd, m_hDC);
        ::DestroyWindow(m_hWnd);
    }
    bool Current() const { return m_bCurrent; }

private:
    bool SetSingleBufferedFormat() {
        PIXELFORMATDESCRIPTOR pfd{};
        const int nFormats = ::DescribePixelFormat(m_hDC, 1, sizeof(pfd), &pfd);
        for (int i = 1; i <= nFormats; ++i) {
            ::DescribePixelFormat(m_hDC, i, sizeof(pfd), &pfd);
            const DWORD dwNeeded = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW;
            if ((pfd.dwFlags & dwNeeded) == dwNeeded && !(pfd.dwFlags & PFD_DOUBLEBUFFER) &&
                pfd.iPixelType == PFD_TYPE_RGBA && pfd.cColorBits >= 24)
                return ::SetPixelFormat(m_hDC, i, &pfd) != FALSE;
        }
        return false;
    }

    HWND m_hWnd = nullptr;
    HDC m_hDC = nullptr;
    CGLContext m_hRC;
    bool m_bCurrent = false;
};

// A signature of random strokes, with colour changes, partly off the pad.
void WriteRandomStrokes(CStrokeModel& model, int cx, int cy, unsigned seed, int nStrokes) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> x(-20, cx + 20), y(-20, cy + 20), step(1, 25), len(5, 40);
    const uint32_t colours[] = {0x000000, 0x0909F9, 0x0D9125, 0xFFFFFF, 0xC2C2EE};
    for (int s = 0; s < nStrokes; ++s) {
        model.SetPenColor(colours[s % 5]);
        int px = x(rng), py = y(rng);
        model.OnMouseMove(px, py, cx, cy);
        model.OnLButtonDown(px, py);
        for (int m = len(rng); m > 0; --m) {
            px += step(rng) - 13;
            py += step(rng) - 13;
            model.OnMouseMove(px, py, cx, cy);
        }
        model.OnLButtonUp();
        for (int t = 0; t < 3; ++t) {
            model.Decay();
            model.OnMouseMove(px + t, py, cx, cy);
        }
    }
}

int CountDifferences(const CFrameDib& a, const CFrameDib& b) {
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            n += (a.Row(y)[x] & 0xFFFFFF) != (b.Row(y)[x] & 0xFFFFFF) ? 1 : 0;
    return n;
}

} // namespace

E2E_TEST(IncrementalFramesEqualFullRedraws) {
    CBrushImage brush;
    CHECK(ReadBrushImage((BuildProgramFolder() + L"\\Picture\\Texture.bmp").c_str(), brush) == BrushError::None);
    const CBrushImage brushes[] = {std::move(brush), MakeSoftBrush()};
    struct Case {
        const char* name;
        int cx, cy;
        int brush;
    } cases[] = {
        {"even pad, artwork brush", 474, 300, 0},
        {"odd pad, artwork brush", 475, 301, 0},
        {"even pad, built-in brush", 400, 250, 1},
    };
    for (const Case& c : cases) {
        CGLWindow gl(c.cx, c.cy);
        REQUIRE(gl.Current());
        CStampRenderer renderer;
        renderer.Resize(c.cx, c.cy);
        renderer.LoadTexture(brushes[c.brush]);
        CFrameDib incremental, full;
        REQUIRE(incremental.Create(c.cx, c.cy) && full.Create(c.cx, c.cy));

        // frames of a few strokes each, like 30 ms ticks while writing
        CStrokeModel model;
        StrokeFrameMark drawn;
        for (int frame = 0; frame < 12; ++frame) {
            WriteRandomStrokes(model, c.cx, c.cy, 100 + frame, 3);
            if (frame == 6)
                model.ClearStrokes(); // a restart redraws from white
            const StrokeDelta delta = model.NewStampsSince(drawn);
            if (delta.bRestart)
                incremental.FillWhite();
            renderer.AddStamps(delta.stamps, incremental);
            drawn = model.FrameMark();
            renderer.RenderFull(model.Points(), full);
            const int diff = CountDifferences(incremental, full);
            if (diff != 0)
                std::printf("  %s, frame %d: %d pixels differ\n", c.name, frame, diff);
            CHECK_EQ(diff, 0);
        }
        // the frames really hold ink, saturated to black in places, and
        // white away from it
        int nInk = 0, nWhite = 0, nBlack = 0;
        for (int y = 0; y < c.cy; ++y) {
            for (int x = 0; x < c.cx; ++x) {
                const uint32_t px = full.Row(y)[x] & 0xFFFFFF;
                (px == 0xFFFFFF ? nWhite : nInk)++;
                nBlack += px == 0 ? 1 : 0;
            }
        }
        CHECK(nInk > 500);
        CHECK(nBlack > 50);
        CHECK(nWhite > nInk);
    }
}

E2E_TEST(InkReachesTheFrameDespiteReadBackTraps) {
    struct Case {
        const char* name;
        bool bSingleBuffer;
        bool bPendingError;
    } cases[] = {
        {"an error left pending by an earlier call", false, true},
        {"a single-buffered format", true, false},
    };
    for (const Case& c : cases) {
        CGLWindow gl(400, 250, c.bSingleBuffer);
        REQUIRE(gl.Current());
        CStampRenderer renderer;
        renderer.Resize(400, 250);
        renderer.LoadTexture(MakeSoftBrush());
        CStrokeModel model;
        WriteRandomStrokes(model, 400, 250, 7, 4);
        CFrameDib frame;
        REQUIRE(frame.Create(400, 250));
        if (c.bPendingError)
            glEnable(0xFFFF); // an invalid enum: GL_INVALID_ENUM stays pending
        const bool bDrawn = renderer.AddStamps(model.Points(), frame);
        int nInk = 0;
        for (int y = 0; y < 250; ++y)
            for (int x = 0; x < 400; ++x)
                nInk += (frame.Row(y)[x] & 0xFFFFFF) != 0xFFFFFF ? 1 : 0;
        if (!bDrawn || nInk <= 500)
            std::printf("  %s: read back %d, %d ink pixels\n", c.name, bDrawn, nInk);
        CHECK(bDrawn);
        CHECK(nInk > 500);
    }
}

E2E_TEST(BrushReaderConvertsThroughTheSystem) {
    const std::wstring folder = TempFolder(L"brush");
    auto write = [&](const wchar_t* name, const std::vector<uint8_t>& bytes) {
        const std::wstring path = folder + L"\\" + name;
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        ::CloseHandle(h);
        return path;
    };
    auto u32 = [](std::vector<uint8_t>& v, uint32_t x) {
        for (int i = 0; i < 4; ++i)
            v.push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    auto u16 = [](std::vector<uint8_t>& v, uint16_t x) {
        v.push_back(static_cast<uint8_t>(x));
        v.push_back(static_cast<uint8_t>(x >> 8));
    };

    // an 8-bit file of 3 x 2 pixels with a two-colour table: rows of 3
    // bytes padded to 4, bottom row first
    std::vector<uint8_t> pal;
    pal.insert(pal.end(), {'B', 'M'});
    u32(pal, 14 + 40 + 8 + 8);
    u32(pal, 0);
    u32(pal, 14 + 40 + 8);
    u32(pal, 40);
    u32(pal, 3);
    u32(pal, 2);
    u16(pal, 1);
    u16(pal, 8);
    // compression, image size, resolution, colours used = 2, important
    for (int i = 0; i < 6; ++i)
        u32(pal, i == 4 ? 2 : 0);
    pal.insert(pal.end(), {0x10, 0x20, 0x30, 0, 0xF0, 0xE0, 0xD0, 0}); // blue, green, red, 0
    pal.insert(pal.end(), {0, 1, 1, 0xEE, 1, 0, 0, 0xEE});
    CBrushImage image;
    CHECK(ReadBrushImage(write(L"pal.bmp", pal).c_str(), image) == BrushError::None);
    CHECK_EQ(image.width, 3);
    CHECK_EQ(image.height, 2);
    const std::vector<uint8_t> expected = {0x30, 0x20, 0x10, 0xD0, 0xE0, 0xF0, 0xD0, 0xE0, 0xF0,
                                           0xD0, 0xE0, 0xF0, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10};
    CHECK(image.rgb == expected);

    // a bare DIB with a core header, 24 bits: rows follow the header
    std::vector<uint8_t> core;
    u32(core, 12);
    u16(core, 1);
    u16(core, 1);
    u16(core, 1);
    u16(core, 24);
    core.insert(core.end(), {0x01, 0x02, 0x03, 0});
    CHECK(ReadBrushImage(write(L"core.dib", core).c_str(), image) == BrushError::None);
    CHECK(image.rgb == (std::vector<uint8_t>{0x03, 0x02, 0x01}));

    struct Refusal {
        const char* name;
        std::wstring path;
        std::wstring text;
    };
    const std::wstring missing = folder + L"\\missing.bmp";
    std::vector<uint8_t> v4(pal);
    v4[14] = 108; // a header size the reader does not know
    std::vector<uint8_t> cut(pal.begin(), pal.end() - 3);
    const Refusal refusals[] = {
        {"missing file", missing, L"Failed to open DIB file " + missing + L".\n"},
        {"empty file", write(L"empty.bmp", {}), L"Unknown DIB file format."},
        {"unknown header", write(L"v4.bmp", v4), L"Unknown DIB file format."},
        {"pixels cut short", write(L"cut.bmp", cut), L"Image file conversion error."},
    };
    for (const Refusal& r : refusals) {
        const std::wstring text = KioskText(ReadBrushImage(r.path.c_str(), image), r.path);
        if (text != r.text)
            std::printf("  %s: unexpected text\n", r.name);
        CHECK(text == r.text);
        CHECK(image.IsEmpty());
    }

    // the built-in brush: bright centre, black rim, round
    const CBrushImage soft = MakeSoftBrush(32);
    REQUIRE(soft.width == 32 && soft.rgb.size() == 32 * 32 * 3);
    auto at = [&](int x, int y) { return soft.rgb[(y * 32 + x) * 3]; };
    CHECK(at(16, 16) > 240);
    CHECK_EQ(at(0, 0), 0);
    CHECK_EQ(at(0, 16), 0);
    CHECK(at(8, 16) == at(16, 8));
}
