// Rectangles and the 1920 x 1080 design scale that every screen of the kiosk
// is laid out in. Needs nothing from the platform.
#pragma once

#include <cstdint>

struct LayoutRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    // right and bottom edges are outside, as PtInRect has it
    bool Contains(int32_t x, int32_t y) const { return left <= x && x < right && top <= y && y < bottom; }
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
