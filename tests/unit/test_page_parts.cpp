#include "shell/PageClock.h"
#include "shell/VisitorTexts.h"
#include "tests/unit/StringTable.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Each case is a run of presses on one clock: the tick of each press,
// whether its save counts, and whether a counted save wrote its record.
TEST(PageClock, OneSecondRule) {
    struct Press {
        uint32_t tick;
        bool bAccepted;
        bool bWritten = true;
    };
    struct {
        const char* name;
        std::vector<Press> presses;
    } cases[] = {
        {"first save just after the machine started", {{0, true}, {500, false}, {1000, true}}},
        {"first save in the machine's first second", {{300, true}}},
        {"600 ms apart is one press", {{50000, true}, {50600, false}}},
        {"an ignored press does not move the second", {{50000, true}, {50600, false}, {51000, true}}},
        {"a second apart is two", {{50000, true}, {51000, true}, {51999, false}, {52000, true}}},
        {"across the tick count's wrap", {{0xFFFFFE00u, true}, {0x00000100u, false}, {0x000001E8u, true}}},
        {"a press after a failed save tries again", {{50000, true, false}, {50300, true, false}, {50400, true}}},
        {"a failed save after a written one keeps its second",
         {{50000, true}, {51200, true, false}, {51500, true}, {51900, false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPageClock clock(30000);
        for (const Press& press : c.presses) {
            EXPECT_EQ(clock.MaySave(press.tick), press.bAccepted) << "at tick " << press.tick;
            if (press.bAccepted && press.bWritten)
                clock.Saved(press.tick);
        }
        EXPECT_EQ(clock.IdleTime(), 30000);
    }
}

// A finger's taps on the page, judged by the system's double-click rule:
// 500 ms, a box of 4 x 4 pixels around the first tap.
TEST(PageClock, DoubleTapFollowsTheDoubleClickRule) {
    struct Tap {
        uint32_t tick;
        int32_t x, y;
        bool bSecond;
    };
    struct {
        const char* name;
        std::vector<Tap> taps;
    } cases[] = {
        {"quick tap on the same spot", {{1000, 10, 10, false}, {1300, 10, 10, true}}},
        {"too late", {{1000, 10, 10, false}, {1500, 10, 10, false}}},
        {"at the box's edge", {{1000, 10, 10, false}, {1100, 12, 8, true}}},
        {"outside the box", {{1000, 10, 10, false}, {1100, 13, 10, false}}},
        {"a third quick tap begins a pair of its own",
         {{1000, 10, 10, false}, {1100, 10, 10, true}, {1200, 10, 10, false}, {1300, 10, 10, true}}},
        {"across the tick count's wrap", {{0xFFFFFF00u, 10, 10, false}, {0x00000050u, 10, 10, true}}},
    };
    const DoubleTapRule rule{500, 4, 4};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPageClock clock(30000);
        for (const Tap& tap : c.taps)
            EXPECT_EQ(clock.IsSecondTap(tap.tick, tap.x, tap.y, rule), tap.bSecond) << "at tick " << tap.tick;
    }
}

// The texts a visitor can see stay exactly as they are, each under the id
// the page shows it by.
TEST(VisitorTexts, StringTableHoldsEveryText) {
    std::map<unsigned, std::wstring> table = stringtable::Read();
    struct {
        CameraFault fault;
        const wchar_t* text;
    } camera[] = {
        {CameraFault::None, L""},
        {CameraFault::CoInitialize, L"CCaptureVideo CoInitialize Failed!\r\n"},
        {CameraFault::GraphInterfaces, L"Failed to get video interfaces!"},
        {CameraFault::CreateGrabber, L"Fail to create SampleGrabber, maybe qedit.dll is not registered?"},
        {CameraFault::SetMediaType, L"Fail to set media type!"},
        {CameraFault::AddGrabber, L"Fail to put sample grabber in graph"},
        {CameraFault::BuildGraph, L"Can't build the graph"},
        {CameraFault::ReadMediaType, L"Failt to read the connected media type"},
        {CameraFault::RunGraph, L"Couldn't run the graph!"},
    };
    for (const auto& c : camera)
        EXPECT_EQ(table[CameraFaultText(c.fault)], c.text) << "camera fault " << static_cast<int>(c.fault);
    struct {
        unsigned id;
        const wchar_t* text;
    } page[] = {
        {IDS_ABOUTBOX, L"关于 Velmo(&A)..."},
        {IDS_DISPLAY_UNKNOWN, L"unKnown"},
        {IDS_SAVE_FAILED, L"签到没有保存成功。您的签名还在，请再按一次“保存”。"},
        {IDS_CAPTION_VELMO, L"Velmo"},
        {IDS_CAPTION_ERROR, L"Error"},
        {IDS_PIN_PAD_TITLE, L"请输入密码"},
    };
    for (const auto& c : page)
        EXPECT_EQ(table[c.id], c.text) << "string " << c.id;
}

} // namespace
