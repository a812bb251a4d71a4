#include "Layout.h"

namespace {
constexpr int32_t kButtonColumnRight = 248;

struct DesignBand {
    int32_t top, bottom;
};
constexpr DesignBand kButtonBands[4] = {{350, 467}, {471, 583}, {586, 700}, {703, 814}};
} // namespace

PressRegions ComputePressRegions(int32_t cx, int32_t cy) {
    const DesignScale s = DesignScale::ForScreen(cx, cy);
    PressRegions r;
    r.exit = s.Scale(1624, 11, 1876, 106);
    for (int i = 0; i < 4; ++i) {
        // the column starts at the screen's left edge, unscaled
        r.buttons[i] = {0, s.Y(kButtonBands[i].top), s.X(kButtonColumnRight), s.Y(kButtonBands[i].bottom)};
    }
    return r;
}

StartupLayout ComputeStartupLayout(int32_t cx, int32_t cy) {
    const DesignScale s = DesignScale::ForScreen(cx, cy);
    StartupLayout l;
    l.screen = {0, 0, cx, cy};
    l.palette = s.Scale(1690, 127, 1896, 1061);
    l.signArea = s.Scale(262, 120, 1662, 1058);
    l.signCapture = {l.signArea.left + 5, l.signArea.top + 4, l.signArea.right - 4, l.signArea.bottom - 4};
    l.photo = s.Scale(1216, 770, 1639, 1040);
    l.pad = {l.signArea.left, l.signArea.top, l.signArea.right, l.photo.top};
    return l;
}

BlitBands ComputeBlitBands(int32_t cx, int32_t cy, const LayoutRect& p) {
    const DesignScale s = DesignScale::ForScreen(cx, cy);
    const int32_t w = s.X(1920);
    const int32_t h = s.Y(1080);
    return {{0, 0, w, p.top}, {0, p.top, p.left, h}, {p.left, p.bottom, w, h}, {p.right, p.top, w, h}};
}

int PaletteCellAt(const LayoutRect& palette, int32_t x, int32_t y) {
    if (!palette.Contains(x, y))
        return -1;
    const int row = static_cast<int>((y - palette.top) / ((palette.bottom - palette.top) / 9.0));
    const int column = static_cast<int>((x - palette.left) / ((palette.right - palette.left) * 0.5));
    // guards a rounding edge in the last row or column of a tiny palette
    if (row < 0 || row > 8 || column < 0 || column > 1)
        return -1;
    return row + 9 * column;
}
