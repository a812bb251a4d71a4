// The signature pad: ink written by the pointer reaches the screen, follows
// speed and palette, is cleared and kept as a visitor expects, and writes
// with a built-in brush when its artwork is missing.
#include "Harness.h"

#include "framework/WinGeometry.h"
#include "shell/Layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace e2e;

namespace {

LayoutRect PadRect() {
    return ComputeStartupLayout(ScreenWidth(), ScreenHeight()).pad;
}

// A point of the pad, in screen pixels, from its top-left corner.
POINT OnPad(int dx, int dy) {
    const LayoutRect pad = PadRect();
    return {pad.left + dx, pad.top + dy};
}

bool IsWhite(COLORREF c) {
    return c == RGB(255, 255, 255);
}

bool WhiteAlong(POINT from, POINT to) {
    for (int x = from.x; x <= to.x; x += 6) {
        if (!IsWhite(ScreenPixel(x, from.y)))
            return false;
    }
    return true;
}

// Rows of ink across a horizontal stroke in column x.
int InkWidthAt(int x, int y) {
    const RECT band{x, y - 40, x + 1, y + 41};
    const CScreenPixels shot(band);
    int n = 0;
    for (int yy = band.top; yy < band.bottom; ++yy)
        n += CScreenPixels::Lightness(shot.At(x, yy)) < 220 ? 1 : 0;
    return n;
}

// The pixel of a stretch of a horizontal stroke from x to x + 60 with the
// least key: the darkest, or the one with the least of a channel.
uint32_t StrokePixelWithLeast(int x, int y, int (*key)(uint32_t)) {
    const RECT band{x, y - 20, x + 61, y + 21};
    const CScreenPixels shot(band);
    uint32_t best = 0xFFFFFF;
    for (int yy = band.top; yy < band.bottom; ++yy)
        for (int xx = band.left; xx < band.right; ++xx)
            if (key(shot.At(xx, yy)) < key(best))
                best = shot.At(xx, yy);
    return best;
}

HWND PadWindow(HWND hMain) {
    return ::FindWindowExW(hMain, nullptr, L"#32770", nullptr);
}

} // namespace

E2E_TEST(PadSitsOnItsRectangleAndStartsWhite) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    HWND hPad = PadWindow(kiosk.Main());
    REQUIRE(hPad != nullptr);
    const LayoutRect pad = PadRect();
    const RECT rc = WindowRect(hPad);
    CHECK_EQ(rc.left, pad.left);
    CHECK_EQ(rc.top, pad.top);
    CHECK_EQ(rc.right, pad.right);
    CHECK_EQ(rc.bottom, pad.bottom);
    CHECK(IsShown(hPad));
    CHECK((::GetWindowLongW(hPad, GWL_STYLE) & WS_CHILD) != 0);
    // an empty pad is plain white from edge to edge: no black GL area, no
    // grey dialog background
    CHECK(WaitUntil([&] {
        const CScreenPixels shot(ToRect(pad));
        if (!shot.Valid())
            return false;
        for (int y = pad.top; y < pad.bottom; y += 3)
            for (int x = pad.left; x < pad.right; x += 3)
                if (shot.At(x, y) != 0xFFFFFF)
                    return false;
        return shot.At(pad.right - 1, pad.bottom - 1) == 0xFFFFFF;
    }));
}

E2E_TEST(StrokeShowsInkOnItsPathAndNowhereElse) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    const POINT from = OnPad(150, 200), to = OnPad(450, 200);
    CHECK(StrokeUntilInked(from, to, 4));
    // the screen holds the rendered frame: ink near the path, exact white
    // everywhere else on the pad
    const LayoutRect pad = PadRect();
    const CScreenPixels shot(ToRect(pad));
    REQUIRE(shot.Valid());
    int nInk = 0, nStray = 0;
    for (int y = pad.top; y < pad.bottom; ++y) {
        for (int x = pad.left; x < pad.right; ++x) {
            const bool bNearPath = x >= from.x - 20 && x <= to.x + 20 && std::abs(y - from.y) <= 20;
            const uint32_t c = shot.At(x, y);
            if (bNearPath)
                nInk += CScreenPixels::Lightness(c) < 200 ? 1 : 0;
            else
                nStray += c != 0xFFFFFF ? 1 : 0;
        }
    }
    CHECK(nInk > 300 * 3);
    CHECK_EQ(nStray, 0);
}

E2E_TEST(SlowStrokeIsWiderThanFastStroke) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    const POINT slowFrom = OnPad(100, 150), slowTo = OnPad(300, 150);
    const POINT fastFrom = OnPad(100, 350), fastTo = OnPad(700, 350);
    Stroke(slowFrom, slowTo, 2);
    Stroke(fastFrom, fastTo, 18);
    CHECK(WaitUntil([&] { return InkAlong(fastFrom, fastTo) && InkAlong(slowFrom, slowTo); }, 5000));
    // the slow brush has grown to its largest half-size, 8; the fast one
    // stays at the smallest, 2
    const int slow = InkWidthAt(slowFrom.x + 150, slowFrom.y);
    const int fast = InkWidthAt(fastFrom.x + 300, fastFrom.y);
    std::printf("  ink width: slow %d px, fast %d px\n", slow, fast);
    CHECK(fast >= 2);
    CHECK(slow >= 2 * fast);
    CHECK(slow >= 10);
}

E2E_TEST(PaletteColoursTheInk) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    // default pen: neutral dark grey to black
    const POINT greyFrom = OnPad(100, 120), greyTo = OnPad(400, 120);
    REQUIRE(StrokeUntilInked(greyFrom, greyTo, 6));
    const uint32_t grey = StrokePixelWithLeast(greyFrom.x + 120, greyFrom.y, CScreenPixels::Lightness);
    CHECK(CScreenPixels::Lightness(grey) < 100);
    CHECK(std::abs(CScreenPixels::Red(grey) - CScreenPixels::Green(grey)) < 16);
    CHECK(std::abs(CScreenPixels::Red(grey) - CScreenPixels::Blue(grey)) < 16);

    // cell 1, left column, second row: red (249, 9, 9)
    const LayoutRect palette = ComputeStartupLayout(ScreenWidth(), ScreenHeight()).palette;
    const int cellHeight = palette.Height() / 9;
    const POINT red{palette.left + palette.Width() / 4, palette.top + cellHeight + cellHeight / 2};
    REQUIRE(PaletteCellAt(palette, red.x, red.y) == 1);
    Tap(red.x, red.y);
    const POINT redFrom = OnPad(100, 300), redTo = OnPad(400, 300);
    REQUIRE(StrokeUntilInked(redFrom, redTo, 6));
    // the most inked pixel: green and blue are used up first
    const uint32_t core = StrokePixelWithLeast(redFrom.x + 120, redFrom.y, CScreenPixels::Green);
    std::printf("  default ink %06X, red ink %06X\n", static_cast<unsigned>(grey), static_cast<unsigned>(core));
    CHECK(CScreenPixels::Red(core) > CScreenPixels::Green(core) + 60);
    CHECK(CScreenPixels::Red(core) > CScreenPixels::Blue(core) + 60);
    // the earlier stroke keeps its colour
    CHECK_EQ(StrokePixelWithLeast(greyFrom.x + 120, greyFrom.y, CScreenPixels::Lightness), grey);
}

E2E_TEST(AQuickSecondStrokeIsNotLost) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    // a dot, then at once a stroke from the same place: the system reports
    // the second press as a double-click
    const POINT from = OnPad(200, 300), to = OnPad(500, 300);
    Stroke(from, {from.x + 2, from.y}, 1);
    CHECK(StrokeUntilInked(from, to, 3));
}

E2E_TEST(ClearEmptiesThePadAndWritingGoesOn) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    const POINT from = OnPad(200, 250), to = OnPad(500, 250);
    REQUIRE(StrokeUntilInked(from, to, 5));
    const LayoutRect clear = ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[1];
    Tap((clear.left + clear.right) / 2, (clear.top + clear.bottom) / 2);
    CHECK(WaitUntil([&] { return WhiteAlong(OnPad(180, 250), OnPad(520, 250)); }, 5000));
    const POINT from2 = OnPad(200, 400), to2 = OnPad(500, 400);
    CHECK(StrokeUntilInked(from2, to2, 5));
    CHECK(WhiteAlong(OnPad(180, 250), OnPad(520, 250)));
}

// Back within the idle time, the page is as the visitor left it; after it, a
// clean one, however they left: through the exit, by walking away, or with a
// box still open.
E2E_TEST(StrokesSurviveTheLauncherForTheIdleTime) {
    enum class Leave { Exit, WalkAway, UnderABox };
    const struct {
        const char* name;
        Leave leave;
        const char* configIni;
        bool bInkStays;
    } cases[] = {
        {"back through the launcher at once", Leave::Exit, kDefaultConfigIni, true},
        {"back after the idle time", Leave::Exit, "[Time]\r\nMinTime=3000\r\n", false},
        {"left on the page", Leave::WalkAway, "[Time]\r\nMinTime=3000\r\n", false},
        {"left under a box: the save failed", Leave::UnderABox, "[Time]\r\nMinTime=3000\r\n", false},
    };
    for (const auto& c : cases) {
        std::printf("  %s\n", c.name);
        CKiosk kiosk(c.configIni);
        REQUIRE(kiosk.Started());
        REQUIRE(kiosk.ShowPage());
        const POINT from = OnPad(300, 300), to = OnPad(700, 300);
        REQUIRE(StrokeUntilInked(from, to, 5));
        const PressRegions regions = ComputePressRegions(ScreenWidth(), ScreenHeight());
        HWND hBox = nullptr;
        if (c.leave == Leave::Exit) {
            Tap((regions.exit.left + regions.exit.right) / 2, (regions.exit.top + regions.exit.bottom) / 2);
        } else if (c.leave == Leave::UnderABox) {
            // a file where the record folder should be
            const std::wstring signIn = kiosk.Folder() + L"\\SignIn";
            REQUIRE(::RemoveDirectoryW(signIn.c_str()) && WriteTextFile(signIn, "not a folder"));
            const LayoutRect& save = regions.buttons[static_cast<int>(PageButton::Save)];
            Tap((save.left + save.right) / 2, (save.top + save.bottom) / 2);
            REQUIRE(WaitUntil([&] { return (hBox = FindOwnedWindow(kiosk.Main())) != nullptr; }));
        }
        REQUIRE(WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); }, 8000));
        // the box closed itself, and the kiosk takes a tap again
        CHECK(!hBox || WaitUntil([&] { return !::IsWindow(hBox); }));
        if (c.leave == Leave::Exit && !c.bInkStays)
            Pause(3500); // past the idle time, counted from the tap on the exit
        REQUIRE(kiosk.ShowPage());
        // the pad may show white for a moment before its first frame, and what
        // covered it (the box) until it has painted: wait for the pad to show
        // the one or the other, with the page still up
        if (c.bInkStays)
            CHECK(WaitUntil([&] { return IsShown(kiosk.Main()) && InkAlong(from, to); }, 5000));
        else {
            REQUIRE(WaitUntil([&] { return IsShown(kiosk.Main()) && WhiteAlong(from, to); }, 5000));
            CHECK(!WaitUntil([&] { return InkAlong(from, to); }, 1000)); // and no ink comes back
        }
        CHECK(IsShown(kiosk.Main()));
    }
}

E2E_TEST(PenCursorShowsOverThePadWindow) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    HWND hPad = PadWindow(kiosk.Main());
    REQUIRE(hPad != nullptr);
    auto cursorNow = [] {
        CURSORINFO ci{};
        ci.cbSize = sizeof(ci);
        return ::GetCursorInfo(&ci) ? ci.hCursor : nullptr;
    };
    // the page's own cursor away from the pad: the arrow
    MoveTo(10, 10);
    MoveTo(11, 10);
    HCURSOR hArrow = nullptr;
    REQUIRE(WaitUntil([&] { return (hArrow = cursorNow()) != nullptr; }, 3000));

    const LayoutRect pad = PadRect();
    const POINT corners[] = {{pad.left + 1, pad.top + 1}, {pad.right - 2, pad.bottom - 2}};
    HCURSOR hPen = nullptr;
    for (const POINT& pt : corners) {
        MoveTo(pt.x, pt.y);
        MoveTo(pt.x + 1, pt.y);
        // the pad, not the page, is under the pointer; it passes the cursor
        // question on to the page, which answers with the pen
        CHECK(::WindowFromPoint({pt.x + 1, pt.y}) == hPad);
        CHECK(WaitUntil([&] { return cursorNow() != hArrow && cursorNow() != nullptr; }, 3000));
        if (hPen)
            CHECK(cursorNow() == hPen);
        hPen = cursorNow();
    }
    // Windows lets another process read the cursor's hot spot; Wine does not
    ICONINFO ii{};
    if (::GetIconInfo(hPen, &ii)) {
        CHECK_EQ(ii.xHotspot, 4u);
        CHECK_EQ(ii.yHotspot, 26u);
        if (ii.hbmMask)
            ::DeleteObject(ii.hbmMask);
        if (ii.hbmColor)
            ::DeleteObject(ii.hbmColor);
    }
    MoveTo(10, 10);
    MoveTo(11, 10);
    CHECK(WaitUntil([&] { return cursorNow() == hArrow; }, 3000));
}

E2E_TEST(WritingKeepsThePageFromGoingIdle) {
    CKiosk kiosk("[Time]\r\nMinTime=2000\r\n");
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    // about four seconds of writing, twice the idle time, without a press
    // outside the pad
    const DWORD start = ::GetTickCount();
    int i = 0;
    Press(OnPad(200, 300).x, OnPad(200, 300).y);
    while (::GetTickCount() - start < 4000) {
        const POINT pt = OnPad(200 + (i % 100) * 4, 300 + (i / 100) * 20);
        MoveTo(pt.x, pt.y);
        ++i;
    }
    CHECK(IsShown(kiosk.Main()));
    CHECK(!WhiteAlong(OnPad(200, 300), OnPad(596, 300)));
    const POINT end = OnPad(200 + (i % 100) * 4, 300 + (i / 100) * 20);
    Release(end.x, end.y);
    // left alone, the page still goes back to the launcher
    CHECK(WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); }, 8000));
    // and the next visitor finds an empty pad
    REQUIRE(kiosk.ShowPage());
    // once the pad is painted, ink it kept would show within a few 30 ms ticks
    REQUIRE(WaitUntil([&] { return WhiteAlong(OnPad(200, 100), OnPad(596, 100)); }, 5000));
    CHECK(!WaitUntil([&] { return !WhiteAlong(OnPad(200, 300), OnPad(596, 300)); }, 1500));
}

namespace {

struct FoundBox {
    HWND hBox = nullptr;
    HWND hPopup = nullptr;
};

// Velmo.exe from a copy of the program folder without the brush artwork.
class CKioskWithoutBrush {
public:
    CKioskWithoutBrush() {
        m_folder = TempFolder(L"nobrush");
        const std::wstring from = BuildProgramFolder();
        ::CopyFileW((from + L"\\Velmo.exe").c_str(), (m_folder + L"\\Velmo.exe").c_str(), FALSE);
        ::CreateDirectoryW((m_folder + L"\\Picture").c_str(), nullptr);
        for (const wchar_t* name : {L"PadMsg.png", L"Btnshade.png", L"Show.png"})
            ::CopyFileW((from + L"\\Picture\\" + name).c_str(), (m_folder + L"\\Picture\\" + name).c_str(), FALSE);
        std::wstring cmd = L"\"" + m_folder + L"\\Velmo.exe\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        if (::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, m_folder.c_str(), &si, &m_pi))
            ::CloseHandle(m_pi.hThread);
    }
    ~CKioskWithoutBrush() {
        if (m_pi.hProcess) {
            ::TerminateProcess(m_pi.hProcess, 1);
            ::WaitForSingleObject(m_pi.hProcess, 10000);
            ::CloseHandle(m_pi.hProcess);
        }
    }
    FoundBox Find() const {
        const auto visible = [this](HWND h, const wchar_t* pszTitle) {
            return ProcessOf(h) == m_pi.dwProcessId && IsShown(h) && TitleOf(h) == pszTitle;
        };
        return {FindTopLevelWindow([&](HWND h) { return visible(h, L"Error"); }),
                FindTopLevelWindow([&](HWND h) { return visible(h, L"HideDlg"); })};
    }
    bool Started() const { return m_pi.hProcess != nullptr; }

private:
    std::wstring m_folder;
    PROCESS_INFORMATION m_pi{};
};

} // namespace

E2E_TEST(MissingBrushIsReportedAndABuiltInBrushWrites) {
    CKioskWithoutBrush kiosk;
    REQUIRE(kiosk.Started());
    FoundBox found{};
    REQUIRE(WaitUntil([&] { return (found = kiosk.Find()).hBox != nullptr; }, 20000));
    wchar_t szText[256] = L"";
    // the text of a message box sits in its static control 0xFFFF
    ::GetDlgItemTextW(found.hBox, 0xFFFF, szText, 256);
    CHECK(wcsstr(szText, L"Failed to open DIB file Picture\\Texture.bmp.") == szText);
    ::PostMessageW(found.hBox, WM_COMMAND, IDOK, 0);
    REQUIRE(WaitUntil([&] { return (found = kiosk.Find()).hBox == nullptr && found.hPopup != nullptr; }));

    const RECT rc = WindowRect(found.hPopup);
    Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    REQUIRE(WaitUntil([&] { return !IsShown(found.hPopup); }));
    const POINT from = OnPad(200, 250), to = OnPad(500, 250);
    // the page must be in front before the stroke, or the stroke lands behind it
    REQUIRE(WaitUntil([&] {
        HWND hRoot = ::GetAncestor(::WindowFromPoint(from), GA_ROOT);
        wchar_t szTitle[16] = L"x";
        ::GetWindowTextW(hRoot, szTitle, 16);
        return hRoot && hRoot != found.hPopup && szTitle[0] == L'\0' && IsShown(hRoot);
    }));
    REQUIRE(SyncWith(found.hPopup));
    Stroke(from, to, 3);
    // past the stroke's first stamps, whose size starts small and, with the
    // soft built-in brush, may stay too faint to count as ink
    CHECK(WaitUntil([&] { return InkAlong(OnPad(260, 250), to); }, 5000));
}
