// Where the front desk puts things: the window's controls and grid of
// sign-ins, the printed page, and a picture fitted into a cell. Sizes are
// design units of 1/96 inch in the window (scaled by its DPI) and inches on
// paper, so the layout follows the device. Needs nothing from the platform.
#pragma once

#include <cstddef>

#include "framework/Geometry.h"

// Cells of one width in rows: as many columns as fit, at least one.
struct DeskGrid {
    int columns = 1;
    int cellWidth = 0;     // the picture's width, and the caption's
    int pictureHeight = 0; // two thirds of the width, the shape of a record
    int captionHeight = 0;
    int gapX = 0, gapY = 0;
    int PitchX() const { return cellWidth + gapX; }
    int PitchY() const { return pictureHeight + captionHeight + gapY; }
    // Rows that n cells take.
    size_t Rows(size_t n) const { return (n + static_cast<size_t>(columns) - 1) / static_cast<size_t>(columns); }
};

// Cells at least minCellWidth wide across areaWidth, with gaps between
// them and at both edges; the cells widen to use what is left.
DeskGrid ComputeDeskGrid(int areaWidth, int minCellWidth, int gapX, int gapY, int captionHeight);
// Picture rectangle of cell i, the grid's area starting at (left, top).
LayoutRect DeskCellPicture(const DeskGrid& grid, size_t i, int left, int top);
// The caption's line under the picture.
LayoutRect DeskCellCaption(const DeskGrid& grid, size_t i, int left, int top);

// The window: buttons, date picker, counts and banner lines, and the grid
// below them, for a client area of width x height at dpi.
struct DeskViewLayout {
    LayoutRect previous, today, next, date, print, exportButton;
    LayoutRect counts;
    LayoutRect banner; // empty when no banner is shown
    LayoutRect grid;
    LayoutRect scrollBar; // at the grid's right edge
    DeskGrid cells;
};
DeskViewLayout ComputeDeskViewLayout(int width, int height, int dpi, bool bBanner, int scrollBarWidth = 0);
// The smallest client area that still shows every control.
int DeskViewMinWidth(int dpi);

// Scrolling the grid: the content's height for n records, the largest
// scroll position, and the record under a point of the grid's area.
int DeskGridContentHeight(const DeskGrid& grid, size_t n);
int DeskMaxScroll(const DeskGrid& grid, size_t n, int areaHeight);
// Index of the cell under (x, y), grid area coordinates with the scroll
// position added; -1 between cells or past the last.
std::ptrdiff_t DeskCellAt(const DeskGrid& grid, size_t n, int x, int y);

// A printed or exported page: a header of two lines, then rows of cells.
struct DeskPageLayout {
    LayoutRect paper;    // the whole page
    int dpiX = 96;       // of the device it is laid out for
    LayoutRect title;    // site folder and day
    LayoutRect subtitle; // printed at, page n of m, count
    LayoutRect cellArea;
    DeskGrid cells;
    int rows = 1;
    int perPage = 1;
    int titleHeight = 0;   // font heights in device units
    int captionHeight = 0; // ... of a caption's text
};
DeskPageLayout ComputeDeskPageLayout(int pageWidth, int pageHeight, int dpiX, int dpiY);
// Pages for n records; an empty day still prints its header on one page.
int DeskPageCount(size_t n, const DeskPageLayout& page);

// The picture's rectangle inside box, centred with its shape kept; it grows
// past its own size only when bEnlarge.
LayoutRect FitPicture(int pictureWidth, int pictureHeight, const LayoutRect& box, bool bEnlarge);

// The size an exported page is drawn at: A4 at 150 dots per inch.
constexpr int kExportPageWidth = 1240;
constexpr int kExportPageHeight = 1754;
constexpr int kExportPageDpi = 150;
