// The message loop's idle work, the launcher's watch run by it, and the owner template.
#include "framework/IdleHandlers.h"
#include "framework/UniqueHandle.h"
#include "popup/LeaveWatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Answers with the given wait, counts its turns and may act during one.
struct CFakeIdle final : CIdleHandler {
    explicit CFakeIdle(uint32_t nWait) : nWait(nWait) {}
    uint32_t OnIdle() override {
        ++nCalls;
        if (during)
            during();
        return nWait;
    }
    uint32_t nWait;
    int nCalls = 0;
    std::function<void()> during;
};

TEST(IdleHandlers, ShortestWaitAndOnePieceOfWorkAPass) {
    CIdleHandlers handlers;
    EXPECT_EQ(handlers.Run(), kIdleDone);
    CFakeIdle done(kIdleDone), slow(30), watch(10);
    for (CFakeIdle* p : {&done, &slow, &watch})
        handlers.Add(*p);
    EXPECT_EQ(handlers.Run(), 10u);
    EXPECT_EQ(done.nCalls + slow.nCalls + watch.nCalls, 3);

    // two handlers with work at once take turns, one piece a pass, and the
    // waiting one is still looked at between them
    CFakeIdle a(0), b(0);
    handlers.Add(a);
    handlers.Add(b);
    std::string order;
    a.during = [&] { order += 'a'; };
    b.during = [&] { order += 'b'; };
    watch.during = [&] { order += 'w'; };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(handlers.Run(), 0u);
    EXPECT_EQ(order, "wabwab");
}

TEST(IdleHandlers, HandlersComingAndGoingDuringAPass) {
    CIdleHandlers handlers;
    CFakeIdle first(20), second(20), late(5);
    handlers.Add(first);
    handlers.Add(second);
    // the first takes the second off and puts another on
    first.during = [&] {
        handlers.Remove(second);
        handlers.Add(late);
        first.during = nullptr;
    };
    EXPECT_EQ(handlers.Run(), 20u);
    EXPECT_EQ(second.nCalls, 0);
    EXPECT_EQ(late.nCalls, 0); // from the next pass on
    EXPECT_EQ(handlers.Run(), 5u);
    EXPECT_EQ(late.nCalls, 1);
    // a loop run from a handler does no idle work of its own
    uint32_t nNested = 0;
    late.during = [&] { nNested = handlers.Run(); };
    handlers.Run();
    EXPECT_EQ(nNested, kIdleDone);
    EXPECT_EQ(late.nCalls, 2);
    handlers.Remove(first);
    handlers.Remove(late);
    EXPECT_EQ(handlers.Run(), kIdleDone);
}

TEST(LeaveWatch, EndsWhenTheLauncherHasLeftOrTimeIsUp) {
    const std::vector<uint32_t> shown{1, 1, 1, 1};
    struct Look {
        uint32_t ms;
        std::vector<uint32_t> pixels;
    };
    struct Case {
        const char* name;
        std::vector<uint32_t> shown;
        std::vector<Look> looks;
        size_t endsAt; // index of the look that ends the watch
    };
    const uint32_t t0 = 0xFFFFFFF0u; // the tick count wraps during the watch
    const Case cases[] = {
        {"half changed, then still", shown, {{t0, {2, 2, 1, 1}}, {t0 + 10, {2, 2, 1, 1}}}, 1},
        {"still changing", shown, {{t0, {2, 2, 2, 1}}, {t0 + 10, {3, 3, 3, 1}}, {t0 + 20, {3, 3, 3, 1}}}, 2},
        {"less than half changed", shown, {{t0, {2, 1, 1, 1}}, {t0 + 10, {2, 1, 1, 1}}, {t0 + 500, {2, 1, 1, 1}}}, 2},
        {"screen unreadable", {}, {{t0, {}}, {t0 + 499, {}}, {t0 + 500, {}}}, 2},
        {"size changed", shown, {{t0, {2, 2}}, {t0 + 10, {2, 2}}, {t0 + 600, {2, 2}}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CLeaveWatch watch;
        watch.Start(t0, c.shown);
        EXPECT_EQ(watch.DueInMs(t0), 0u);
        for (size_t i = 0; i < c.looks.size(); ++i) {
            EXPECT_EQ(watch.Look(c.looks[i].ms, c.looks[i].pixels), i == c.endsAt) << "look " << i;
            if (i == c.endsAt)
                break;
            EXPECT_TRUE(watch.Watching());
            EXPECT_EQ(watch.DueInMs(c.looks[i].ms + 3), CLeaveWatch::kPollMs - 3);
            EXPECT_EQ(watch.DueInMs(c.looks[i].ms + 10), 0u);
        }
        EXPECT_FALSE(watch.Watching());
    }
}

// A handle type whose empty value is not null, as FindFirstFileW's.
struct CCountedTraits {
    using Type = int;
    static int None() { return -1; }
    static bool IsValid(int h) { return h >= 0; }
    static void Close(int h) { closed.push_back(h); }
    static inline std::vector<int> closed;
};
using COwned = CUniqueHandle<CCountedTraits>;

TEST(UniqueHandle, ClosesEachHandleOnce) {
    CCountedTraits::closed.clear();
    {
        COwned none(-7); // an invalid value is held as none
        EXPECT_FALSE(none);
        EXPECT_EQ(none.Get(), -1);
        COwned a(1), b(2);
        COwned c(std::move(a));
        EXPECT_FALSE(a);
        b = std::move(c); // 2 closed, 1 moves on
        EXPECT_EQ(b.Get(), 1);
        auto& self = b;
        b = std::move(self);
        EXPECT_EQ(b.Get(), 1);
        b.Reset(3); // 1 closed
        COwned d(4);
        EXPECT_EQ(d.Release(), 4); // handed on: not closed here
        EXPECT_FALSE(d);
    } // 3 closed
    EXPECT_EQ(CCountedTraits::closed, (std::vector<int>{2, 1, 3}));
}

} // namespace
