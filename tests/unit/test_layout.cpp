#include "shell/Layout.h"

#include <gtest/gtest.h>

namespace {

struct ScreenCase {
    const char* name;
    int cx, cy;
    LayoutRect exit, history, clear, photoButton, save, palette, signArea, signCapture, photo, pad;
};

const ScreenCase kScreens[] = {
    {"1920x1080",
     1920,
     1080,
     {1624, 11, 1876, 106},
     {0, 350, 248, 467},
     {0, 471, 248, 583},
     {0, 586, 248, 700},
     {0, 703, 248, 814},
     {1690, 127, 1896, 1061},
     {262, 120, 1662, 1058},
     {267, 124, 1658, 1054},
     {1216, 770, 1639, 1040},
     {262, 120, 1662, 770}},
    {"1280x720",
     1280,
     720,
     {1082, 7, 1250, 70},
     {0, 233, 165, 311},
     {0, 314, 165, 388},
     {0, 390, 165, 466},
     {0, 468, 165, 542},
     {1126, 84, 1264, 707},
     {174, 80, 1108, 705},
     {179, 84, 1104, 701},
     {810, 513, 1092, 693},
     {174, 80, 1108, 513}},
    {"1366x768",
     1366,
     768,
     {1155, 7, 1334, 75},
     {0, 248, 176, 332},
     {0, 334, 176, 414},
     {0, 416, 176, 497},
     {0, 499, 176, 578},
     {1202, 90, 1348, 754},
     {186, 85, 1182, 752},
     {191, 89, 1178, 748},
     {865, 547, 1166, 739},
     {186, 85, 1182, 547}},
};

TEST(Layout, WorkedValuesAtEachScreenSize) {
    for (const ScreenCase& c : kScreens) {
        SCOPED_TRACE(c.name);
        const PressRegions press = ComputePressRegions(c.cx, c.cy);
        EXPECT_EQ(press.exit, c.exit);
        EXPECT_EQ(press.buttons[0], c.history);
        EXPECT_EQ(press.buttons[1], c.clear);
        EXPECT_EQ(press.buttons[2], c.photoButton);
        EXPECT_EQ(press.buttons[3], c.save);
        const StartupLayout l = ComputeStartupLayout(c.cx, c.cy);
        EXPECT_EQ(l.screen, (LayoutRect{0, 0, c.cx, c.cy}));
        EXPECT_EQ(l.palette, c.palette);
        EXPECT_EQ(l.signArea, c.signArea);
        EXPECT_EQ(l.signCapture, c.signCapture);
        EXPECT_EQ(l.photo, c.photo);
        EXPECT_EQ(l.pad, c.pad);
    }
}

TEST(Layout, EdgesOfButtonsBelongToTheNextRegionOrNone) {
    const PressRegions r = ComputePressRegions(1920, 1080);
    auto hit = [&](int x, int y) {
        for (int i = 0; i < 4; ++i)
            if (r.buttons[i].Contains(x, y))
                return i;
        return -1;
    };
    struct {
        const char* name;
        int x, y, button;
    } cases[] = {
        {"top of history", 100, 350, 0},     {"history bottom edge", 100, 467, -1}, {"gap history/clear", 100, 469, -1},
        {"first row of clear", 100, 471, 1}, {"column right edge", 248, 400, -1},   {"last column pixel", 247, 400, 0},
        {"gap photo/save", 100, 701, -1},    {"save bottom row", 0, 813, 3},        {"below save", 0, 814, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hit(c.x, c.y), c.button) << c.name;
}

TEST(Layout, PaletteCells) {
    const StartupLayout l = ComputeStartupLayout(1920, 1080);
    const LayoutRect& p = l.palette;
    struct {
        const char* name;
        int x, y, cell;
    } cases[] = {
        {"top-left pixel", p.left, p.top, 0},
        {"just inside bottom-right", p.right - 1, p.bottom - 1, 17},
        {"right half of top row", p.left + 150, p.top + 5, 9},
        {"left half, second row", p.left + 10, p.top + 110, 1},
        {"left half, last row", p.left + 10, p.bottom - 1, 8},
        {"right edge is outside", p.right, p.top + 5, -1},
        {"above the palette", p.left + 5, p.top - 1, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PaletteCellAt(p, c.x, c.y), c.cell) << c.name;
}

TEST(Layout, BlitBandsCoverEverythingButThePhoto) {
    for (const ScreenCase& c : kScreens) {
        SCOPED_TRACE(c.name);
        const LayoutRect photo = ComputeStartupLayout(c.cx, c.cy).photo;
        const BlitBands b = ComputeBlitBands(c.cx, c.cy, photo);
        const LayoutRect bands[] = {b.above, b.left, b.below, b.right};
        // sample a grid plus the photo's edges: inside the photo no band, elsewhere at least one
        for (int y = 0; y < c.cy; y += 7) {
            for (int x = 0; x < c.cx; x += 7) {
                bool covered = false;
                for (const LayoutRect& band : bands)
                    covered = covered || band.Contains(x, y);
                ASSERT_EQ(covered, !photo.Contains(x, y)) << x << "," << y;
            }
        }
        for (const LayoutRect& band : bands)
            EXPECT_FALSE(band.Contains(photo.left, photo.top));
        EXPECT_TRUE(b.below.Contains(photo.right, photo.bottom));
        EXPECT_TRUE(b.left.Contains(photo.left - 1, photo.bottom - 1));
    }
}

} // namespace
