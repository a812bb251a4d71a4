// Every position of the sign-in page, defined once in a 1920 x 1080 design
// and mapped to the real screen. Needs nothing from the platform.
#pragma once

#include <array>
#include <cstdint>

#include "framework/Geometry.h"

enum class PageButton { History, Clear, Photo, Save };

// Regions computed afresh at every press, for the current screen size.
struct PressRegions {
    LayoutRect exit;
    std::array<LayoutRect, 4> buttons; // History, Clear, Photo, Save: top to bottom
};

// Rectangles computed once at start-up.
struct StartupLayout {
    LayoutRect screen, palette, signArea, signCapture, photo, pad;
};

// The four copies that put the page on the screen around the live preview.
struct BlitBands {
    LayoutRect above, left, below, right;
};

constexpr int kPaletteCells = 18;

PressRegions ComputePressRegions(int32_t cx, int32_t cy);
StartupLayout ComputeStartupLayout(int32_t cx, int32_t cy);
BlitBands ComputeBlitBands(int32_t cx, int32_t cy, const LayoutRect& photo);

// Cell 0..17 of a point inside the palette (column 0 holds 0..8 top to
// bottom, column 1 holds 9..17); -1 outside it.
int PaletteCellAt(const LayoutRect& palette, int32_t x, int32_t y);
