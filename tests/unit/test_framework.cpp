// The message loop's idle work, the launcher's watch run by it, and the owner template.
#include "framework/IdleHandlers.h"
#include "framework/UniqueHandle.h"
#include "popup/Backdrop.h"
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

// A band of 40 x 10 pixels along the bottom of the screen, the launcher
// 4 x 4 in it: the ring that must still match reaches 8 pixels around it.
TEST(Backdrop, TheCopyServesWhileTheLaunchersSurroundingsMatch) {
    const LayoutRect band{0, 90, 40, 100};
    const LayoutRect launcher{16, 94, 20, 98};
    std::vector<uint32_t> kept(400);
    for (size_t i = 0; i < kept.size(); ++i)
        kept[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
    const auto changedAt = [&](int32_t x, int32_t y) {
        std::vector<uint32_t> now = kept;
        now[static_cast<size_t>(y - band.top) * 40 + x] ^= 0x010101;
        return now;
    };
    struct {
        const char* name;
        LayoutRect band, launcher;
        std::vector<uint32_t> now;
        bool bFresh;
    } cases[] = {
        {"the same pixels", band, launcher, kept, true},
        {"a change under the launcher, which no ring can see", band, launcher, changedAt(17, 95), true},
        {"a change beside the launcher", band, launcher, changedAt(15, 95), false},
        {"a change at the ring's far corner", band, launcher, changedAt(27, 90), false},
        {"a change just beyond the ring", band, launcher, changedAt(28, 92), true},
        {"the screen changed size", {0, 90, 30, 100}, launcher, std::vector<uint32_t>(300), false},
        {"the launcher above the band", band, {16, 86, 20, 90}, kept, false},
    };
    CBackdrop backdrop;
    EXPECT_FALSE(backdrop.IsFreshAround(launcher, band, kept)); // nothing kept yet
    backdrop.Keep(band, kept);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(backdrop.IsFreshAround(c.launcher, c.band, c.now), c.bFresh);
    }
    // what lay under the launcher, row by row
    const std::vector<uint32_t> under = backdrop.Under(launcher);
    ASSERT_EQ(under.size(), 16u);
    EXPECT_EQ(under[0], kept[4 * 40 + 16]);
    EXPECT_EQ(under[15], kept[7 * 40 + 19]);
    EXPECT_TRUE(backdrop.Under({36, 94, 44, 98}).empty());
    backdrop.Forget();
    EXPECT_FALSE(backdrop.IsFreshAround(launcher, band, kept));
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
