// tap: taps the kiosk's launcher as a visitor would and waits for the page,
// for the run command's screenshots; exit code 0 and "tap: done" once the
// page covers the screen, 1 when there is no launcher or no page came up.
// tap X Y: one tap at screen pixel (X, Y).
#include "Harness.h"

#include <cstdio>
#include <cwchar>

using namespace e2e;

namespace {

int TapLauncher() {
    HWND hPopup = nullptr;
    if (!WaitUntil([&] { return (hPopup = ::FindWindowW(nullptr, L"HideDlg")) != nullptr && IsShown(hPopup); })) {
        std::fprintf(stderr, "tap: no launcher on the screen\n");
        return 1;
    }
    const RECT rc = WindowRect(hPopup);
    Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    const bool bPage = WaitUntil([&] {
        HWND hTop = ::WindowFromPoint({ScreenWidth() / 2, ScreenHeight() / 2});
        hTop = hTop ? ::GetAncestor(hTop, GA_ROOT) : nullptr;
        const RECT rcTop = WindowRect(hTop);
        return hTop && !IsShown(hPopup) && rcTop.right - rcTop.left == ScreenWidth() &&
               rcTop.bottom - rcTop.top == ScreenHeight();
    });
    if (!bPage) {
        std::fprintf(stderr, "tap: the launcher was tapped but the page did not come up\n");
        return 1;
    }
    return SyncWith(::GetAncestor(::WindowFromPoint({ScreenWidth() / 2, ScreenHeight() / 2}), GA_ROOT)) ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int result = 2;
    if (argc == 1) {
        result = TapLauncher();
    } else if (argc == 3) {
        Tap(static_cast<int>(std::wcstol(argv[1], nullptr, 10)), static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
        result = 0;
    }
    // for callers that cannot see the exit code (a Wine desktop's launcher)
    if (result == 0)
        std::printf("tap: done\n");
    return result;
}
