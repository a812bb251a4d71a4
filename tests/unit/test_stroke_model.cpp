#include "pad/StrokeModel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

// Allocations above a limit fail while a CFailLargeAllocations is alive, so
// the out-of-memory path can be driven without exhausting the machine.
namespace {
std::atomic<size_t> g_nAllocLimit{SIZE_MAX};
} // namespace

void* operator new(std::size_t n) {
    if (n > g_nAllocLimit.load(std::memory_order_relaxed))
        throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

class CFailLargeAllocations {
public:
    explicit CFailLargeAllocations(size_t nLimit) { g_nAllocLimit = nLimit; }
    ~CFailLargeAllocations() { g_nAllocLimit = SIZE_MAX; }
    CFailLargeAllocations(const CFailLargeAllocations&) = delete;
    CFailLargeAllocations& operator=(const CFailLargeAllocations&) = delete;
};

constexpr int kPadW = 400;
constexpr int kPadH = 300;
constexpr float kTol = 1e-4f;

// Press at (x, y) and make one zero-length move there: the brush is then at 2.
void StartStroke(CStrokeModel& model, int x, int y) {
    model.OnMouseMove(x, y, kPadW, kPadH);
    model.OnLButtonDown(x, y);
    model.OnMouseMove(x, y, kPadW, kPadH);
}

// Horizontal moves of the given lengths from x = 0.
void MoveBy(CStrokeModel& model, int& x, int length) {
    x += length;
    model.OnMouseMove(x, 0, kPadW, kPadH);
}

void ExpectColor(const StrokePoint& pt, StrokeColor c) {
    EXPECT_FLOAT_EQ(pt.red, c.red);
    EXPECT_FLOAT_EQ(pt.green, c.green);
    EXPECT_FLOAT_EQ(pt.blue, c.blue);
}

struct SegmentCase {
    const char* name;
    int cx, cy;         // pad client size
    int x0, y0, x1, y1; // press position, then the move
    size_t nStamps;
};

TEST(StrokeModel, FirstMoveAfterPressLaysOneStampPerPixel) {
    const SegmentCase cases[] = {
        {"move (7, 8), length 10.63", kPadW, kPadH, 100, 100, 107, 108, 11},
        {"move (6, 8), length 10", kPadW, kPadH, 100, 100, 106, 108, 11},
        {"move (-3, -4) up and left", kPadW, kPadH, 50, 60, 47, 56, 6},
        {"length 0", kPadW, kPadH, 20, 30, 20, 30, 1},
        {"horizontal 1 px", kPadW, kPadH, 0, 0, 1, 0, 2},
        {"odd pad 475 x 301 halves truncate", 475, 301, 10, 20, 10, 23, 4},
        {"point outside the client area", kPadW, kPadH, -5, 400, -5, 402, 3},
    };
    for (const SegmentCase& c : cases) {
        SCOPED_TRACE(c.name);
        CStrokeModel model;
        model.OnMouseMove(c.x0, c.y0, c.cx, c.cy);
        model.OnLButtonDown(c.x0, c.y0);
        EXPECT_EQ(model.OnMouseMove(c.x1, c.y1, c.cx, c.cy), c.nStamps);
        ASSERT_EQ(model.Points().size(), c.nStamps);

        const double dx = c.x1 - c.x0;
        const double dy = c.y1 - c.y0;
        const double len = std::sqrt(dx * dx + dy * dy);
        const double ux = len > 0 ? dx / len : 0.0;
        const double uy = len > 0 ? dy / len : 0.0;
        const double sx = c.x0 - c.cx / 2;
        const double sy = c.cy / 2 - c.y0;
        for (size_t i = 0; i < c.nStamps; ++i) {
            const StrokePoint& pt = model.Points()[i];
            EXPECT_NEAR(pt.x, sx + i * ux, kTol) << "stamp " << i;
            EXPECT_NEAR(pt.y, sy - i * uy, kTol) << "stamp " << i;
            EXPECT_FLOAT_EQ(pt.size, 1.0f) << "stamp " << i;
            ExpectColor(pt, {0.2f, 0.2f, 0.2f});
        }
        // whole lengths end exactly on the new point
        if (len == std::floor(len)) {
            EXPECT_FLOAT_EQ(model.Points().back().x, static_cast<float>(c.x1 - c.cx / 2));
            EXPECT_FLOAT_EQ(model.Points().back().y, static_cast<float>(c.cy / 2 - c.y1));
        }
        EXPECT_EQ(model.LastPoint().x, c.x1);
        EXPECT_EQ(model.LastPoint().y, c.y1);
    }
}

TEST(StrokeModel, ZeroLengthMoveAfterPressLaysHalfSizeOneThenGrowsToTwo) {
    CStrokeModel model;
    model.OnMouseMove(30, 40, kPadW, kPadH);
    model.OnLButtonDown(30, 40);
    EXPECT_FLOAT_EQ(model.BrushSize(), 1.0f);
    ASSERT_EQ(model.OnMouseMove(30, 40, kPadW, kPadH), 1u);
    EXPECT_FLOAT_EQ(model.Points()[0].x, 30.0f - 200.0f);
    EXPECT_FLOAT_EQ(model.Points()[0].y, 150.0f - 40.0f);
    EXPECT_FLOAT_EQ(model.Points()[0].size, 1.0f);
    EXPECT_FLOAT_EQ(model.BrushSize(), 2.0f); // 1 + 0.5, raised to the floor of 2
}

struct SpeedCase {
    const char* name;
    std::vector<int> warmUp; // horizontal moves after the brush reached 2
    std::vector<int> moves;
    std::vector<float> sizes; // brush size after each of moves
};

TEST(StrokeModel, BrushFollowsSpeedWithinTwoToEight) {
    const SpeedCase cases[] = {
        {"ten 3 px moves from 2 reach 4",
         {},
         std::vector<int>(10, 3),
         {2.2f, 2.4f, 2.6f, 2.8f, 3.0f, 3.2f, 3.4f, 3.6f, 3.8f, 4.0f}},
        {"15 px moves lower by 1, never below 2", std::vector<int>(10, 3), {15, 15, 15, 15}, {3.0f, 2.0f, 2.0f, 2.0f}},
        {"5 px moves keep the size", std::vector<int>(10, 3), {5, 5}, {4.0f, 4.0f}},
        {"standing still grows by 0.5 up to 8",
         {},
         std::vector<int>(14, 0),
         {2.5f, 3.0f, 3.5f, 4.0f, 4.5f, 5.0f, 5.5f, 6.0f, 6.5f, 7.0f, 7.5f, 8.0f, 8.0f, 8.0f}},
        {"one long move drops to 2", std::vector<int>(12, 0), {200}, {2.0f}},
    };
    for (const SpeedCase& c : cases) {
        SCOPED_TRACE(c.name);
        CStrokeModel model;
        StartStroke(model, 0, 0);
        int x = 0;
        for (int len : c.warmUp)
            MoveBy(model, x, len);
        for (size_t i = 0; i < c.moves.size(); ++i) {
            MoveBy(model, x, c.moves[i]);
            EXPECT_NEAR(model.BrushSize(), c.sizes[i], kTol) << "after move " << i;
        }
    }
}

TEST(StrokeModel, ReleaseLetsTheBrushDieAwayOverTicks) {
    struct DecayCase {
        const char* name;
        int nGrowMoves; // zero-length moves from 2, each adding 0.5
        std::vector<float> afterTicks;
    };
    const DecayCase cases[] = {
        {"from 8", 12, {4.6f, 2.22f, 0.554f, 0.0f, 0.0f}},
        {"from 2", 0, {0.4f, 0.0f}},
    };
    for (const DecayCase& c : cases) {
        SCOPED_TRACE(c.name);
        CStrokeModel model;
        StartStroke(model, 0, 0);
        for (int i = 0; i < c.nGrowMoves; ++i)
            model.OnMouseMove(0, 0, kPadW, kPadH);
        const float sizeAtRelease = model.BrushSize();
        model.OnLButtonUp();

        int x = 0;
        MoveBy(model, x, 3); // a tail move keeps the size
        ASSERT_FALSE(model.Points().empty());
        EXPECT_FLOAT_EQ(model.Points().back().size, sizeAtRelease);
        EXPECT_FLOAT_EQ(model.BrushSize(), sizeAtRelease);
        for (size_t t = 0; t < c.afterTicks.size(); ++t) {
            model.Decay();
            EXPECT_NEAR(model.BrushSize(), c.afterTicks[t], 1e-5f) << "tick " << t + 1;
            const size_t nLaid = model.OnMouseMove(x += 2, 0, kPadW, kPadH);
            if (c.afterTicks[t] > 0.0f) {
                EXPECT_EQ(nLaid, 3u) << "tick " << t + 1;
                EXPECT_NEAR(model.Points().back().size, c.afterTicks[t], 1e-5f);
            } else {
                EXPECT_EQ(nLaid, 0u) << "tick " << t + 1;
            }
        }
        EXPECT_FALSE(model.IsDrawing());
    }
}

TEST(StrokeModel, IdleMoveOnlyRecordsThePosition) {
    CStrokeModel model;
    EXPECT_FALSE(model.HasLastPoint());
    EXPECT_EQ(model.OnMouseMove(10, 12, kPadW, kPadH), 0u);
    EXPECT_EQ(model.OnMouseMove(80, 90, kPadW, kPadH), 0u);
    EXPECT_TRUE(model.Points().empty());
    EXPECT_TRUE(model.HasLastPoint());
    EXPECT_EQ(model.LastPoint().x, 80);
    EXPECT_EQ(model.LastPoint().y, 90);

    // a release whose press happened elsewhere leaves an idle pad idle
    model.OnLButtonUp();
    EXPECT_EQ(model.OnMouseMove(85, 90, kPadW, kPadH), 0u);
    EXPECT_FLOAT_EQ(model.BrushSize(), 0.0f);
}

TEST(StrokeModel, PressKeepsARecordedPositionAndUsesItsOwnOnlyWithoutOne) {
    CStrokeModel recorded;
    recorded.OnMouseMove(10, 10, kPadW, kPadH);
    recorded.OnLButtonDown(50, 50);
    EXPECT_EQ(recorded.LastPoint().x, 10);
    EXPECT_EQ(recorded.OnMouseMove(13, 14, kPadW, kPadH), 6u);
    EXPECT_FLOAT_EQ(recorded.Points().front().x, 10.0f - 200.0f);
    EXPECT_FLOAT_EQ(recorded.Points().front().y, 150.0f - 10.0f);

    CStrokeModel fresh;
    fresh.OnLButtonDown(50, 50);
    EXPECT_EQ(fresh.LastPoint().x, 50);
    EXPECT_EQ(fresh.OnMouseMove(53, 54, kPadW, kPadH), 6u);
    EXPECT_FLOAT_EQ(fresh.Points().front().x, 50.0f - 200.0f);
    EXPECT_FLOAT_EQ(fresh.Points().front().y, 150.0f - 50.0f);

    // a finger lifted and put down elsewhere while its last stroke's tail
    // dies away: nothing joins the two strokes
    CStrokeModel jumped;
    StartStroke(jumped, 10, 10);
    jumped.OnLButtonUp();
    jumped.JumpTo(300, 200);
    EXPECT_EQ(jumped.Points().size(), 1u);
    jumped.OnLButtonDown(300, 200);
    EXPECT_EQ(jumped.OnMouseMove(303, 204, kPadW, kPadH), 6u);
    EXPECT_FLOAT_EQ(jumped.Points()[1].x, 300.0f - 200.0f);
    EXPECT_FLOAT_EQ(jumped.Points()[1].y, 150.0f - 200.0f);
}

TEST(StrokeModel, PenColorChangeMidStrokeAffectsOnlyLaterStamps) {
    CStrokeModel model;
    StartStroke(model, 0, 0);
    int x = 0;
    MoveBy(model, x, 4);
    const size_t nBefore = model.Points().size();
    model.SetPenColor(0x000909F9); // red cell 249, 9, 9
    MoveBy(model, x, 4);
    const StrokeColor red{static_cast<float>(1.0 - 249 / 255.0), static_cast<float>(1.0 - 9 / 255.0),
                          static_cast<float>(1.0 - 9 / 255.0)};
    for (size_t i = 0; i < model.Points().size(); ++i) {
        SCOPED_TRACE("stamp " + std::to_string(i));
        ExpectColor(model.Points()[i], i < nBefore ? StrokeColor{0.2f, 0.2f, 0.2f} : red);
    }
}

TEST(StrokeModel, SetPenColorStoresTheComplement) {
    struct ColorCase {
        const char* name;
        uint32_t colorref;
        int r, g, b;
    };
    const ColorCase cases[] = {
        {"red cell", 0x000909F9, 249, 9, 9},        {"black ink", 0x00000000, 0, 0, 0},
        {"white ink", 0x00FFFFFF, 255, 255, 255},   {"channels in COLORREF order", 0x00C08040, 0x40, 0x80, 0xC0},
        {"high byte ignored", 0xFF000000, 0, 0, 0},
    };
    for (const ColorCase& c : cases) {
        SCOPED_TRACE(c.name);
        CStrokeModel model;
        model.SetPenColor(c.colorref);
        EXPECT_FLOAT_EQ(model.PenColor().red, static_cast<float>(1.0 - c.r / 255.0));
        EXPECT_FLOAT_EQ(model.PenColor().green, static_cast<float>(1.0 - c.g / 255.0));
        EXPECT_FLOAT_EQ(model.PenColor().blue, static_cast<float>(1.0 - c.b / 255.0));
    }
}

TEST(StrokeModel, ClearMidStrokeKeepsBrushPositionAndColor) {
    CStrokeModel model;
    model.SetPenColor(0x00FF0000);
    StartStroke(model, 0, 0);
    int x = 0;
    MoveBy(model, x, 3);
    const float size = model.BrushSize();
    model.ClearStrokes();

    EXPECT_TRUE(model.Points().empty());
    EXPECT_TRUE(model.IsDrawing());
    EXPECT_FLOAT_EQ(model.BrushSize(), size);
    EXPECT_EQ(model.LastPoint().x, 3);
    EXPECT_FLOAT_EQ(model.PenColor().blue, 0.0f);

    // the stroke continues from the recorded position
    EXPECT_EQ(model.OnMouseMove(5, 0, kPadW, kPadH), 3u);
    EXPECT_FLOAT_EQ(model.Points().front().x, 3.0f - 200.0f);
    EXPECT_FLOAT_EQ(model.Points().front().size, size);
}

TEST(StrokeModel, ReleaseOutsideThePadLeavesItWriting) {
    CStrokeModel model;
    StartStroke(model, 0, 0);
    // the release happens off the pad and is never seen
    for (int i = 0; i < 10; ++i)
        model.Decay();
    EXPECT_TRUE(model.IsDrawing());
    EXPECT_FLOAT_EQ(model.BrushSize(), 2.0f);
    // later moves, with or without the button, still lay stamps and adapt
    EXPECT_EQ(model.OnMouseMove(3, 0, kPadW, kPadH), 4u);
    EXPECT_NEAR(model.BrushSize(), 2.2f, kTol);
    model.OnLButtonUp();
    EXPECT_FALSE(model.IsDrawing());
}

TEST(StrokeModel, NewStampsSinceAMarkWithoutCopying) {
    CStrokeModel model;
    StartStroke(model, 0, 0);
    int x = 0;
    MoveBy(model, x, 4);
    StrokeDelta first = model.NewStampsSince({});
    EXPECT_FALSE(first.bRestart);
    EXPECT_EQ(first.stamps.size(), model.Points().size());
    EXPECT_EQ(first.stamps.data(), model.Points().data());

    StrokeFrameMark mark = model.FrameMark();
    EXPECT_TRUE(model.NewStampsSince(mark).stamps.empty());
    MoveBy(model, x, 2);
    StrokeDelta next = model.NewStampsSince(mark);
    EXPECT_FALSE(next.bRestart);
    ASSERT_EQ(next.stamps.size(), 3u);
    EXPECT_EQ(next.stamps.data(), model.Points().data() + mark.nDrawn);

    // after a clear the renderer restarts even once the list has regrown past the mark
    mark = model.FrameMark();
    model.ClearStrokes();
    for (int i = 0; i < 3; ++i)
        MoveBy(model, x, 10);
    ASSERT_GT(model.Points().size(), mark.nDrawn);
    StrokeDelta restarted = model.NewStampsSince(mark);
    EXPECT_TRUE(restarted.bRestart);
    EXPECT_EQ(restarted.stamps.size(), model.Points().size());
    EXPECT_EQ(model.ClearGeneration(), mark.nGeneration + 1);
}

TEST(StrokeModel, OutOfMemoryKeepsStoredStampsAndCarriesOn) {
    CStrokeModel model;
    model.OnMouseMove(0, 0, kPadW, kPadH);
    model.OnLButtonDown(0, 0);
    size_t nLaid = 0;
    {
        CFailLargeAllocations fail(64 * sizeof(StrokePoint));
        nLaid = model.OnMouseMove(100, 0, kPadW, kPadH);
    }
    EXPECT_GT(nLaid, 0u);
    EXPECT_LT(nLaid, 101u);
    ASSERT_EQ(model.Points().size(), nLaid);
    for (size_t i = 0; i < nLaid; ++i)
        EXPECT_FLOAT_EQ(model.Points()[i].x, -200.0f + static_cast<float>(i));
    EXPECT_EQ(model.LastPoint().x, 100);
    EXPECT_FLOAT_EQ(model.BrushSize(), 2.0f);

    // once memory is back the next move lays its full run
    EXPECT_EQ(model.OnMouseMove(110, 0, kPadW, kPadH), 11u);
    EXPECT_FLOAT_EQ(model.Points().back().x, -90.0f);
}

} // namespace
