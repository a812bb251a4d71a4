#include "app/KeyGuardRule.h"
#include "app/KioskAccountRule.h"
#include "app/StartRequest.h"

#include <gtest/gtest.h>

namespace {

TEST(StartRequest, ReadsTheSwitchesAfterTheProgramPath) {
    struct Case {
        const char* name;
        std::wstring_view line;
        bool bStop, bRestarted;
        uint64_t predecessor;
    };
    const Case cases[] = {
        {"plain start", L"\"C:\\ProgramData\\Velmo\\Velmo.exe\"", false, false, 0},
        {"stop, any case", L"\"C:\\Program Data\\Velmo.exe\" /STOP", true, false, 0},
        {"a path with /stop in it is not a switch", L"\"C:\\a /stop\\Velmo.exe\"", false, false, 0},
        {"unquoted path", L"Velmo.exe   /stop  ", true, false, 0},
        {"the system's restart", L"Velmo.exe /restarted", false, true, 0},
        {"own restart with the predecessor", L"Velmo.exe /restarted:1A4", false, true, 0x1A4},
        {"a bad handle is none", L"Velmo.exe /restarted:12g", false, true, 0},
        {"too long a handle is none", L"Velmo.exe /restarted:12345678901234567", false, true, 0},
        {"unknown switches are ignored", L"Velmo.exe /stopper /stop:now -stop", false, false, 0},
        {"unterminated quote", L"\"Velmo.exe /stop", false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const StartRequest request = ParseStartRequest(c.line);
        EXPECT_EQ(request.bStop, c.bStop);
        EXPECT_EQ(request.bRestarted, c.bRestarted);
        EXPECT_EQ(request.predecessor, c.predecessor);
    }
}

TEST(StartRequest, ARestartThatFailsAgainAtOnceIsNotRepeated) {
    EXPECT_TRUE(StartsAgain(false, 0));
    EXPECT_FALSE(StartsAgain(true, kRestartLoopMs - 1));
    EXPECT_TRUE(StartsAgain(true, kRestartLoopMs));
}

TEST(KioskAccount, OnlyTheNamedAccountWithoutElevationRunsTheKiosk) {
    const std::wstring kiosk = L"S-1-5-21-1-2-3-1001", admin = L"S-1-5-21-1-2-3-500";
    struct Case {
        const char* name;
        AccountFacts facts;
        AccountVerdict verdict;
        std::wstring boundary;
    };
    const Case cases[] = {
        {"none named: anyone, as before", {L"", admin, true}, AccountVerdict::Kiosk, admin},
        {"the kiosk account", {kiosk, kiosk, false}, AccountVerdict::Kiosk, kiosk},
        {"SID typed in lower case",
         {L"s-1-5-21-1-2-3-1001", kiosk, false},
         AccountVerdict::Kiosk,
         L"s-1-5-21-1-2-3-1001"},
        {"the kiosk account elevated", {kiosk, kiosk, true}, AccountVerdict::Elevated, kiosk},
        {"an administrator", {kiosk, admin, true}, AccountVerdict::OtherAccount, kiosk},
        {"another standard account", {kiosk, admin, false}, AccountVerdict::OtherAccount, kiosk},
        {"a SID that only begins alike", {kiosk, kiosk + L"0", false}, AccountVerdict::OtherAccount, kiosk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(JudgeAccount(c.facts), c.verdict);
        EXPECT_EQ(BoundaryAccount(c.facts), c.boundary);
    }
}

TEST(KeyGuard, HoldsBackOnlyTheKeysThatLeaveTheKiosk) {
    constexpr unsigned kVkA = 'A', kVkF4 = 0x73, kVkControl = 0x11, kVkMenu = 0x12;
    struct Case {
        const char* name;
        unsigned vk;
        bool bAlt, bCtrl, bSwallowed;
    };
    const Case cases[] = {
        {"left Windows key", kVkLeftWindows, false, false, true},
        {"right Windows key", kVkRightWindows, false, false, true},
        {"Windows key with Ctrl (a shortcut's start)", kVkLeftWindows, false, true, true},
        {"Alt+Tab", kVkTab, true, false, true},
        {"Tab alone moves the focus", kVkTab, false, false, false},
        {"Ctrl+Tab", kVkTab, false, true, false},
        {"Alt+Esc", kVkEscape, true, false, true},
        {"Ctrl+Esc (and Ctrl+Shift+Esc)", kVkEscape, false, true, true},
        {"Escape alone is the page's to refuse", kVkEscape, false, false, false},
        {"Alt+F4 is the page's to refuse", kVkF4, true, false, false},
        {"Alt itself", kVkMenu, true, false, false},
        {"Ctrl itself", kVkControl, false, true, false},
        {"a letter with both", kVkA, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsSwallowedKey(c.vk, c.bAlt, c.bCtrl), c.bSwallowed);
    }
}

} // namespace
