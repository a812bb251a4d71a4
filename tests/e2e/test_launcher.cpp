// Start-up, the launcher popup and the way to the page and back.
#include "Harness.h"

#include <cstdio>

using namespace e2e;

namespace {
RECT Center(HWND hWnd, POINT& pt) {
    const RECT rc = WindowRect(hWnd);
    pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    return rc;
}

const char kLockedDownIni[] = "[Time]\r\nMinTime=30000\r\n[Kiosk]\r\nLockdown=1\r\n";

// What a taskbar, Task View or the system menu sends to end, move, size or
// minimise a window, and what Enter and Escape turn into, posted to it.
void PostEndsAndMoves(HWND hWnd) {
    ::PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    for (WPARAM command : {SC_CLOSE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE})
        ::PostMessageW(hWnd, WM_SYSCOMMAND, command, 0);
    ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    // posted messages come before input: a move or size loop begun above
    // would follow these keys, and Enter would end it
    for (WORD vk : {VK_RIGHT, VK_RIGHT, VK_DOWN, VK_RETURN})
        Key(vk);
}

void KeyWith(WORD modifier, WORD vk) {
    KeyDown(modifier);
    Key(vk);
    KeyUp(modifier);
}

// The keys that open the Start menu or switch away from a program.
void SystemKeys() {
    Key(VK_LWIN);
    KeyWith(VK_MENU, VK_TAB);
    KeyWith(VK_MENU, VK_ESCAPE);
    KeyWith(VK_CONTROL, VK_ESCAPE);
}
} // namespace

E2E_TEST(OnlyTheLauncherShowsAfterStart) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    std::printf("  launcher visible %lu ms after the process was started\n", kiosk.StartupMs());
    HWND hPopup = kiosk.Popup();
    const RECT rc = WindowRect(hPopup);
    CHECK(IsShown(hPopup));
    CHECK_EQ(rc.left, 0);
    CHECK_EQ(rc.bottom, ScreenHeight());
    CHECK(rc.right - rc.left > 0 && rc.bottom - rc.top > 0);
    const LONG exStyle = ::GetWindowLongW(hPopup, GWL_EXSTYLE);
    CHECK((exStyle & WS_EX_TOPMOST) != 0);
    CHECK((exStyle & WS_EX_LAYERED) != 0);
    CHECK((exStyle & WS_EX_TOOLWINDOW) != 0);
    CHECK((exStyle & WS_EX_APPWINDOW) == 0);
    wchar_t szTitle[32] = L"";
    ::GetWindowTextW(hPopup, szTitle, 32);
    CHECK(wcscmp(szTitle, L"HideDlg") == 0);
    // nothing of the main window on any screen
    CHECK(!IsShown(kiosk.Main()));
    // the launcher picture itself reaches the screen (not a transparent hole)
    POINT pt;
    Center(hPopup, pt);
    const COLORREF c = ScreenPixel(pt.x, pt.y);
    CHECK(c != RGB(0, 0, 0));
}

E2E_TEST(TapShowsThePageFullScreen) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    CHECK(!IsShown(kiosk.Popup()));
    const RECT rc = WindowRect(kiosk.Main());
    CHECK_EQ(rc.right - rc.left, ScreenWidth());
    CHECK_EQ(rc.bottom - rc.top, ScreenHeight());
}

E2E_TEST(ConfigBesideTheExeSetsTheIdleTime) {
    // MinTime is read from the program's own folder although the kiosk was
    // started elsewhere: an untouched page goes back to the launcher after it
    CKiosk kiosk("[Time]\r\nMinTime=2500\r\n");
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    const DWORD shownAt = ::GetTickCount();
    CHECK(WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); }, 8000));
    const DWORD elapsed = ::GetTickCount() - shownAt;
    CHECK(elapsed >= 2000);
}

E2E_TEST(DefaultIdleTimeKeepsThePage) {
    CKiosk kiosk("; no [Time] section: 30 seconds\r\n");
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    Pause(4000);
    CHECK(IsShown(kiosk.Main()));
    CHECK(!IsShown(kiosk.Popup()));
}

E2E_TEST(SidewaysDragFollowsTheFingerAlongTheBottomEdge) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    HWND hPopup = kiosk.Popup();
    CFinger finger(hPopup);
    POINT pt;
    const RECT before = Center(hPopup, pt);
    finger.Drag(pt, {{1, -15}, {4, -30}}); // vertical travel plays no part
    RECT after = WindowRect(hPopup);
    CHECK_EQ(after.left, before.left + 4);
    CHECK_EQ(after.top, before.top);
    // a long drag keeps the grab point under the finger at every step
    for (int dx = 24; dx <= 184; dx += 20) {
        finger.Move(pt.x + dx, pt.y + (dx % 40) - 20);
        after = WindowRect(hPopup);
        CHECK_EQ(after.left, before.left + dx);
        CHECK_EQ(after.bottom, ScreenHeight());
    }
    finger.Up(pt.x + 184, pt.y);
    // the release that ends a drag restores nothing
    CHECK(IsShown(hPopup));
    CHECK(!IsShown(kiosk.Main()));
}

E2E_TEST(ThreePixelsSidewaysIsStillATap) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    HWND hPopup = kiosk.Popup();
    CFinger finger(hPopup);
    POINT pt;
    const RECT before = Center(hPopup, pt);
    // once a drag has begun, every pixel counts
    finger.Drag(pt, {{10, 0}, {12, 0}});
    CHECK_EQ(WindowRect(hPopup).left, before.left + 12);
    finger.Up(pt.x + 12, pt.y);

    Center(hPopup, pt);
    finger.Drag(pt, {{-3, 20}, {3, 20}});
    CHECK_EQ(WindowRect(hPopup).left, before.left + 12);
    finger.Up(pt.x + 3, pt.y + 20);
    CHECK(WaitUntil([&] { return IsShown(kiosk.Main()); }, 5000));
}

E2E_TEST(OnlyTheLeftButtonAloneDrags) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    HWND hPopup = kiosk.Popup();
    CFinger finger(hPopup);
    POINT pt;
    const RECT before = Center(hPopup, pt);
    const struct {
        const char* name;
        WPARAM flags;
    } cases[] = {
        {"shift", MK_LBUTTON | MK_SHIFT},
        {"ctrl", MK_LBUTTON | MK_CONTROL},
        {"right button too", MK_LBUTTON | MK_RBUTTON},
        {"right button alone", MK_RBUTTON},
        {"no button", 0},
    };
    for (const auto& c : cases) {
        finger.Drag(pt, {{20, 0}, {40, 0}}, c.flags);
        finger.Up(pt.x + 40, pt.y + 200); // released outside: restores nothing
        if (WindowRect(hPopup).left != before.left)
            std::printf("  moved with %s\n", c.name);
        CHECK_EQ(WindowRect(hPopup).left, before.left);
    }
    CHECK(!IsShown(kiosk.Main()));
}

E2E_TEST(TheLauncherStaysOnTheScreen) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    HWND hPopup = kiosk.Popup();
    CFinger finger(hPopup);
    const RECT rc = WindowRect(hPopup);
    const int width = rc.right - rc.left;
    const int y = (rc.top + rc.bottom) / 2;
    // grabbed near its left edge and pushed against the right one, again and again
    for (int i = 0; i < 3; i++) {
        const int left = WindowRect(hPopup).left;
        finger.DragSideways(left + 5, ScreenWidth() - 1, y);
        CHECK_EQ(WindowRect(hPopup).right, ScreenWidth());
    }
    for (int i = 0; i < 3; i++) {
        const int right = WindowRect(hPopup).right;
        finger.DragSideways(right - 5, 0, y);
        CHECK_EQ(WindowRect(hPopup).left, 0);
    }
    CHECK_EQ(WindowRect(hPopup).right, width);
    CHECK_EQ(WindowRect(hPopup).bottom, ScreenHeight());
    CHECK(!IsShown(kiosk.Main()));

    // a smaller screen leaves it outside; the display change puts it back
    const struct {
        const char* name;
        int left, top, wantLeft;
    } cases[] = {
        {"beyond the right edge", ScreenWidth() + 50, ScreenHeight() / 2, ScreenWidth() - width},
        {"beyond the left edge", -width / 2, ScreenHeight() + 10, 0},
    };
    for (const auto& c : cases) {
        ::SetWindowPos(hPopup, nullptr, c.left, c.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        HDC hdc = ::GetDC(nullptr);
        const int bpp = ::GetDeviceCaps(hdc, BITSPIXEL);
        ::ReleaseDC(nullptr, hdc);
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(hPopup, WM_DISPLAYCHANGE, bpp, MAKELPARAM(ScreenWidth(), ScreenHeight()), SMTO_NORMAL,
                              5000, &result);
        const RECT after = WindowRect(hPopup);
        if (after.left != c.wantLeft || after.bottom != ScreenHeight())
            std::printf("  %s: at (%ld, %ld)\n", c.name, after.left, after.top);
        CHECK_EQ(after.left, c.wantLeft);
        CHECK_EQ(after.bottom, ScreenHeight());
    }
}

E2E_TEST(NothingEndsTheKioskWhileTheLauncherShows) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    HWND hPopup = kiosk.Popup();
    const auto pressKeys = [] {
        for (WORD vk : {VK_RETURN, VK_ESCAPE, VK_SPACE})
            Key(vk);
        KeyDown(VK_MENU);
        Key(VK_F4);
        KeyUp(VK_MENU);
    };
    // right after start, with no window brought forward: the keys go where
    // the kiosk itself put the keyboard
    pressKeys();
    CHECK(WaitUntil([&] { return ::GetForegroundWindow() == hPopup; }, 5000));
    ::SetForegroundWindow(hPopup);
    pressKeys();
    // and what those keys would turn into, sent straight to either window
    for (HWND hWnd : {kiosk.Main(), hPopup}) {
        ::PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        ::PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ::PostMessageW(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    }
    // posted messages come before input and input keeps its order: a tap
    // that still shows the page proves that all of the above did nothing
    CHECK(kiosk.ShowPage());
    CHECK(!kiosk.HasExited());
}

E2E_TEST(EscapeOnThePageEndsTheProgram) {
    // unless the kiosk is locked down
    for (const char* pszConfig : {kDefaultConfigIni, "[Kiosk]\r\nLockdown=0\r\n"}) {
        CKiosk kiosk(pszConfig);
        REQUIRE(kiosk.Started());
        REQUIRE(kiosk.ShowPage());
        ::SetForegroundWindow(kiosk.Main());
        Pause(200);
        Key(VK_ESCAPE);
        CHECK(kiosk.HasExited(10000));
        if (kiosk.HasExited())
            CHECK_EQ(kiosk.ExitCode(), 0ul);
    }
}

E2E_TEST(LockedDownNothingEndsMovesOrHidesTheKiosk) {
    CKiosk kiosk(kLockedDownIni);
    REQUIRE(kiosk.Started());
    HWND hPopup = kiosk.Popup(), hMain = kiosk.Main();
    const RECT rcPopup = WindowRect(hPopup);
    const RECT rcScreen{0, 0, ScreenWidth(), ScreenHeight()};

    // while it runs, the system's keys reach no program
    {
        CKeyWindow keys;
        REQUIRE(keys.Activate());
        SystemKeys();
        Key('A');
        CHECK(WaitUntil([&] { return keys.Got('A'); }));
        for (WORD vk : {VK_LWIN, VK_TAB, VK_ESCAPE}) {
            if (keys.Got(vk))
                std::printf("  0x%02X reached another program\n", vk);
            CHECK(!keys.Got(vk));
        }
        CHECK(keys.Got(VK_MENU) && keys.Got(VK_CONTROL));
    }

    // the launcher stays where it is
    ::SetForegroundWindow(hPopup);
    CHECK(WaitUntil([&] { return ::GetForegroundWindow() == hPopup; }, 5000));
    PostEndsAndMoves(hPopup);
    CHECK(SyncWith(hPopup));
    const RECT rcPopupAfter = WindowRect(hPopup);
    CHECK(::EqualRect(&rcPopup, &rcPopupAfter));
    CHECK(IsShown(hPopup) && !::IsIconic(hPopup));

    // and so does the page, with no taskbar button, in front of everything
    REQUIRE(kiosk.ShowPage());
    CHECK((::GetWindowLongW(hMain, GWL_EXSTYLE) & (WS_EX_APPWINDOW | WS_EX_TOPMOST)) == WS_EX_TOPMOST);
    PostEndsAndMoves(hMain);
    PostEndsAndMoves(hPopup);
    Key(VK_ESCAPE);
    KeyWith(VK_MENU, VK_F4);
    KeyWith(VK_MENU, VK_SPACE); // the system menu
    Key(VK_RETURN);
    SystemKeys();
    CHECK(SyncWith(hMain));
    CHECK(!kiosk.HasExited(300));
    const RECT rcMain = WindowRect(hMain);
    CHECK(::EqualRect(&rcScreen, &rcMain));
    CHECK(IsShown(hMain) && !::IsIconic(hMain) && !IsShown(hPopup));
    HWND hTop = ::WindowFromPoint({ScreenWidth() - 5, 5});
    CHECK(hTop && ::GetAncestor(hTop, GA_ROOT) == hMain);

    // once it has gone, the keys are the system's again
    kiosk.Kill();
    CKeyWindow keys;
    REQUIRE(keys.Activate());
    SystemKeys();
    CHECK(WaitUntil([&] { return keys.Got(VK_LWIN) && keys.Got(VK_TAB) && keys.Got(VK_ESCAPE); }));
}

E2E_TEST(AWaitingKioskUsesNoProcessor) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    // idle work must sleep between its steps, not spin: measured at the
    // launcher, on the page, and at the launcher again after a tap on it
    const auto usedOver = [&](DWORD ms) {
        const double before = kiosk.ProcessorMs();
        Pause(ms);
        return kiosk.ProcessorMs() - before;
    };
    const double atLauncher = usedOver(2000);
    REQUIRE(kiosk.ShowPage());
    const double onPage = usedOver(2000);
    std::printf("  processor time over 2 s: %.0f ms at the launcher, %.0f ms on the page\n", atLauncher, onPage);
    CHECK(atLauncher < 200);
    CHECK(onPage < 400);
}
