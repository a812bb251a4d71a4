#include "app/KeyGuardRule.h"
#include "app/KioskAccountRule.h"
#include "app/StartRequest.h"

#include <gtest/gtest.h>

#include <vector>

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
    constexpr unsigned kVkF4 = 0x73;
    struct Event {
        unsigned vk;
        bool bUp;
        bool bSwallowed;
        bool bAltFlag = false;
    };
    struct Case {
        const char* name;
        std::vector<Event> events;
    };
    const Case cases[] = {
        {"Windows key, press and release", {{kVkLeftWindows, false, true}, {kVkLeftWindows, true, true}}},
        {"Alt+Tab, Alt seen",
         {{kVkLeftMenu, false, false}, {kVkTab, false, true}, {kVkTab, true, true}, {kVkLeftMenu, true, false}}},
        {"Alt+Tab, Alt only in the event's flag", {{kVkTab, false, true, true}, {kVkTab, true, true}}},
        {"Alt+Esc", {{kVkRightMenu, false, false}, {kVkEscape, false, true}, {kVkEscape, true, true}}},
        {"Ctrl+Esc", {{kVkLeftControl, false, false}, {kVkEscape, false, true}, {kVkEscape, true, true}}},
        {"Ctrl+Tab", {{kVkControl, false, false}, {kVkTab, false, false}}},
        {"Tab and Escape alone", {{kVkTab, false, false}, {kVkTab, true, false}, {kVkEscape, false, false}}},
        {"Escape after Ctrl was released",
         {{kVkLeftControl, false, false}, {kVkLeftControl, true, false}, {kVkEscape, false, false}}},
        {"Tab held back stays so when Alt goes first",
         {{kVkLeftMenu, false, false},
          {kVkTab, false, true},
          {kVkLeftMenu, true, false},
          {kVkTab, false, true},
          {kVkTab, true, true},
          {kVkTab, false, false}}},
        {"Alt+F4 is the windows' to refuse", {{kVkLeftMenu, false, false}, {kVkF4, false, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CKeyGuardRule rule;
        for (size_t i = 0; i < c.events.size(); ++i) {
            const Event& e = c.events[i];
            EXPECT_EQ(rule.Swallows(e.vk, e.bUp, e.bAltFlag), e.bSwallowed) << "event " << i;
        }
    }
}

} // namespace
