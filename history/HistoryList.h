// The history dialog's list of sign-in records and its paging and geometry
// arithmetic. CHistoryDlg enumerates the folder and draws; everything it
// decides with numbers lives here, free of the platform.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Geometry.h"
#include "records/RecordName.h"

// One entry of a directory enumeration; the name is borrowed.
struct HistoryDirEntry {
    std::wstring_view name;
    bool bDirectory;
    RecordTime lastWrite{}; // local time of the file's last change
};

// Which records the history shows: those signed in on one of the last nDays
// calendar days, today being the first, by the time in the record's name or,
// for a name without one, its last change; every record when nDays is 0.
// A record dated after today is not among the last days.
struct HistoryFilter {
    int nDays = 0;
    RecordTime today{};

    bool Shows(std::wstring_view name, const RecordTime& lastWrite) const;
};

constexpr int kHistoryColumns = 3;
constexpr int kHistoryCells = 9; // three rows of three

// Largest scroll position for count records: the oldest ends in the third row.
int MaxRow(size_t count);
// Index into the list of the record shown in cell t (0 top-left, row by row),
// or -1 when the cell stays empty. Newest first.
std::ptrdiff_t RecordIndexForCell(size_t count, int firstRow, int t);
// The path minus its "SignIn\" prefix and its last 7 characters ("33秒.bmp"),
// leaving the date and time to the minute; empty for short names.
std::wstring CaptionOf(std::wstring_view path);

// Top of the scroll thumb in a client area clientHeight high; at rest at the
// bottom when there is nowhere to scroll, never reaching past the bottom.
int ThumbTop(int firstRow, int maxRow, int clientHeight, int thumbHeight);

// Picture rectangle of cell t for the design scale and the client area's
// top-left corner.
LayoutRect HistoryCellRect(int t, const DesignScale& s, int left = 0, int top = 0);
// The caption sits under its cell's picture; the rectangle reaches half the
// client height below the picture's top, the text is drawn at its top.
LayoutRect HistoryCaptionRect(const LayoutRect& cell, int clientHeight);

enum class HistoryButton { None, Up, Down, Close };
// Button areas drawn in the background picture, scaled to the client area.
LayoutRect HistoryButtonRect(HistoryButton button, const DesignScale& s);
HistoryButton HistoryButtonAt(int x, int y, const DesignScale& s);

// Where the dialog goes on the screen for a background picture of
// imageWidth x imageHeight pixels; (screenLeft, screenTop) is the main
// window's screen corner.
LayoutRect HistoryDialogRect(int imageWidth, int imageHeight, const DesignScale& s, int screenLeft = 0,
                             int screenTop = 0);

// The record list and scroll position of one visit to the history dialog.
class CHistoryList {
public:
    // Feeding one enumeration: BeginLoad, AddEntry for every entry, EndLoad.
    // Records the filter hides are not listed at all, so the scroll range
    // and the cells count only the records shown.
    void BeginLoad(std::wstring_view folder, const HistoryFilter& filter = {});
    // Returns whether the entry was taken as a record to show.
    bool AddEntry(std::wstring_view name, bool bDirectory, const RecordTime& lastWrite = {});
    // Sorts, sets the scroll range and scrolls back to the newest records.
    void EndLoad();
    void Load(std::wstring_view folder, std::span<const HistoryDirEntry> entries, const HistoryFilter& filter = {});
    // Whether the path is one of the records shown.
    bool Lists(std::wstring_view path) const;

    // Each returns false, changing nothing, at the end of the range.
    bool ScrollUp();   // one row of newer records
    bool ScrollDown(); // one row of older records

    // The path shown in cell t, or null for an empty cell.
    const std::wstring* RecordForCell(int t) const;

    const std::vector<std::wstring>& Files() const { return m_files; }
    int FirstRow() const { return m_nFirstRow; }
    int MaxRow() const { return m_nMaxRow; }

private:
    std::wstring m_strFolder;
    HistoryFilter m_filter;
    std::vector<std::wstring> m_files; // "SignIn\name", oldest first
    int m_nFirstRow = 0;               // rows of three above the view, from the newest
    int m_nMaxRow = 0;
};
