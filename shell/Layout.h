// Every position of the sign-in page, defined once in a 1920 x 1080 design
// and mapped to the real screen. Needs nothing from the platform.
#pragma once

#include <array>
#include <cstdint>

struct LayoutRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    // right and bottom edges are outside, as PtInRect has it
    bool Contains(int32_t x, int32_t y) const { return left <= x && x < right && top <= y && y < bottom; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const LayoutRect&) const = default;
};

struct DesignScale {
    double sx, sy;

    static DesignScale ForScreen(int32_t cx, int32_t cy) { return {cx / 1920.0, cy / 1080.0}; }
    // products are truncated toward zero, each coordinate on its own
    int32_t X(double x) const { return static_cast<int32_t>(x * sx); }
    int32_t Y(double y) const { return static_cast<int32_t>(y * sy); }
    LayoutRect Scale(int32_t l, int32_t t, int32_t r, int32_t b) const { return {X(l), Y(t), X(r), Y(b)}; }
};

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
