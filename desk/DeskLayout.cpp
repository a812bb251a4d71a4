#include "desk/DeskLayout.h"

#include <algorithm>
#include <cstdint>

namespace {

// Design units of the window, 1/96 inch.
constexpr int kMargin = 8;
constexpr int kButtonHeight = 28;
constexpr int kButtonGap = 6;
constexpr int kPreviousWidth = 100;
constexpr int kTodayWidth = 70;
constexpr int kNextWidth = 90;
constexpr int kDateWidth = 130;
constexpr int kPrintWidth = 80;
constexpr int kExportWidth = 90;
constexpr int kLineHeight = 22;
constexpr int kCellMinWidth = 220;
constexpr int kCellGap = 12;
constexpr int kCaptionHeight = 20;

// Hundredths of an inch on paper.
constexpr int kPageMargin = 50;
constexpr int kTitleHeight = 30;
constexpr int kSubtitleHeight = 22;
constexpr int kHeaderGap = 15;
constexpr int kPageCellMinWidth = 220;
constexpr int kPageCellGap = 15;
constexpr int kPageCaptionHeight = 25;

int Scale(int units, int dpi) {
    return units * dpi / 96;
}

int Inches(int hundredths, int dpi) {
    return hundredths * dpi / 100;
}

} // namespace

DeskGrid ComputeDeskGrid(int areaWidth, int minCellWidth, int gapX, int gapY, int captionHeight) {
    DeskGrid grid;
    grid.gapX = std::max(gapX, 0);
    grid.gapY = std::max(gapY, 0);
    grid.captionHeight = std::max(captionHeight, 0);
    const int usable = areaWidth - grid.gapX;
    const int pitch = std::max(minCellWidth, 1) + grid.gapX;
    grid.columns = std::max(1, usable / pitch);
    grid.cellWidth = std::max(1, (usable - grid.columns * grid.gapX) / grid.columns);
    grid.pictureHeight = std::max(1, grid.cellWidth * 2 / 3);
    return grid;
}

LayoutRect DeskCellPicture(const DeskGrid& grid, size_t i, int left, int top) {
    const int column = static_cast<int>(i % static_cast<size_t>(grid.columns));
    const int row = static_cast<int>(i / static_cast<size_t>(grid.columns));
    const int x = left + grid.gapX + column * grid.PitchX();
    const int y = top + grid.gapY + row * grid.PitchY();
    return {x, y, x + grid.cellWidth, y + grid.pictureHeight};
}

LayoutRect DeskCellCaption(const DeskGrid& grid, size_t i, int left, int top) {
    const LayoutRect picture = DeskCellPicture(grid, i, left, top);
    return {picture.left, picture.bottom, picture.right, picture.bottom + grid.captionHeight};
}

DeskViewLayout ComputeDeskViewLayout(int width, int height, int dpi, bool bBanner, int scrollBarWidth) {
    DeskViewLayout v;
    const int margin = Scale(kMargin, dpi);
    const int gap = Scale(kButtonGap, dpi);
    const int top = margin;
    const int bottom = top + Scale(kButtonHeight, dpi);
    int x = margin;
    const auto next = [&](int design) {
        const LayoutRect rc{x, top, x + Scale(design, dpi), bottom};
        x = rc.right + gap;
        return rc;
    };
    v.previous = next(kPreviousWidth);
    v.today = next(kTodayWidth);
    v.next = next(kNextWidth);
    v.date = next(kDateWidth);
    // print and export keep to the right edge, but never over the day's controls
    const int right = std::max(width - margin, x + Scale(kPrintWidth + kButtonGap + kExportWidth, dpi));
    v.exportButton = {right - Scale(kExportWidth, dpi), top, right, bottom};
    v.print = {v.exportButton.left - gap - Scale(kPrintWidth, dpi), top, v.exportButton.left - gap, bottom};
    int y = bottom + gap;
    v.counts = {margin, y, std::max(margin, width - margin), y + Scale(kLineHeight, dpi)};
    y = v.counts.bottom;
    if (bBanner) {
        v.banner = {margin, y + gap, std::max(margin, width - margin), y + gap + Scale(kLineHeight + 4, dpi)};
        y = v.banner.bottom;
    }
    const int gridRight = std::max(0, width - scrollBarWidth);
    v.grid = {0, y + gap, gridRight, std::max(y + gap, height)};
    v.scrollBar = {gridRight, v.grid.top, std::max(gridRight, width), v.grid.bottom};
    v.cells = ComputeDeskGrid(v.grid.Width(), Scale(kCellMinWidth, dpi), Scale(kCellGap, dpi), Scale(kCellGap, dpi),
                              Scale(kCaptionHeight, dpi));
    return v;
}

int DeskViewMinWidth(int dpi) {
    return Scale(2 * kMargin + kPreviousWidth + kTodayWidth + kNextWidth + kDateWidth + kPrintWidth + kExportWidth +
                     5 * kButtonGap,
                 dpi);
}

int DeskGridContentHeight(const DeskGrid& grid, size_t n) {
    return grid.gapY + static_cast<int>(grid.Rows(n)) * grid.PitchY();
}

int DeskMaxScroll(const DeskGrid& grid, size_t n, int areaHeight) {
    return std::max(0, DeskGridContentHeight(grid, n) - areaHeight);
}

std::ptrdiff_t DeskCellAt(const DeskGrid& grid, size_t n, int x, int y) {
    if (x < grid.gapX || y < grid.gapY)
        return -1;
    const int column = (x - grid.gapX) / grid.PitchX();
    const int row = (y - grid.gapY) / grid.PitchY();
    if (column >= grid.columns || (x - grid.gapX) % grid.PitchX() >= grid.cellWidth ||
        (y - grid.gapY) % grid.PitchY() >= grid.pictureHeight + grid.captionHeight)
        return -1;
    const size_t i = static_cast<size_t>(row) * static_cast<size_t>(grid.columns) + static_cast<size_t>(column);
    return i < n ? static_cast<std::ptrdiff_t>(i) : -1;
}

DeskPageLayout ComputeDeskPageLayout(int pageWidth, int pageHeight, int dpiX, int dpiY) {
    DeskPageLayout page;
    page.paper = {0, 0, pageWidth, pageHeight};
    page.dpiX = dpiX;
    const int left = Inches(kPageMargin, dpiX);
    const int right = std::max(left + 1, pageWidth - Inches(kPageMargin, dpiX));
    const int top = Inches(kPageMargin, dpiY);
    const int bottom = std::max(top + 1, pageHeight - Inches(kPageMargin, dpiY));
    page.titleHeight = Inches(kTitleHeight, dpiY) * 3 / 4;
    page.captionHeight = Inches(kPageCaptionHeight, dpiY) * 3 / 5;
    page.title = {left, top, right, top + Inches(kTitleHeight, dpiY)};
    page.subtitle = {left, page.title.bottom, right, page.title.bottom + Inches(kSubtitleHeight, dpiY)};
    // the cells' outer gaps are the page's margins already
    page.cellArea = {left - Inches(kPageCellGap, dpiX),
                     page.subtitle.bottom + Inches(kHeaderGap, dpiY) - Inches(kPageCellGap, dpiY),
                     right + Inches(kPageCellGap, dpiX), bottom};
    page.cells = ComputeDeskGrid(page.cellArea.Width(), Inches(kPageCellMinWidth, dpiX), Inches(kPageCellGap, dpiX),
                                 Inches(kPageCellGap, dpiY), Inches(kPageCaptionHeight, dpiY));
    // the picture's shape in inches, on devices whose dots are not square too
    if (dpiX > 0)
        page.cells.pictureHeight = std::max(1, page.cells.cellWidth * 2 / 3 * dpiY / dpiX);
    // the last row's caption may end on the bottom margin
    page.rows = std::max(1, page.cellArea.Height() / page.cells.PitchY());
    page.perPage = page.rows * page.cells.columns;
    return page;
}

int DeskPageCount(size_t n, const DeskPageLayout& page) {
    if (n == 0)
        return 1;
    const size_t per = static_cast<size_t>(std::max(page.perPage, 1));
    return static_cast<int>((n + per - 1) / per);
}

LayoutRect FitPicture(int pictureWidth, int pictureHeight, const LayoutRect& box, bool bEnlarge) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || box.Width() <= 0 || box.Height() <= 0)
        return {box.left, box.top, box.left, box.top};
    // the scale that fits, as a fraction in 64 bits so large pictures do not wrap
    int64_t w = box.Width();
    int64_t h = int64_t{pictureHeight} * box.Width() / pictureWidth;
    if (h > box.Height()) {
        h = box.Height();
        w = int64_t{pictureWidth} * box.Height() / pictureHeight;
    }
    if (!bEnlarge && w > pictureWidth) {
        w = pictureWidth;
        h = pictureHeight;
    }
    w = std::max<int64_t>(w, 1);
    h = std::max<int64_t>(h, 1);
    const int x = box.left + static_cast<int>((box.Width() - w) / 2);
    const int y = box.top + static_cast<int>((box.Height() - h) / 2);
    return {x, y, x + static_cast<int>(w), y + static_cast<int>(h)};
}
