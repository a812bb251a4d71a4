#include "history/HistoryList.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <utility>

#include "records/Retention.h"

namespace {

// Design units of the history background, at 1920 x 1080.
constexpr int kCellLeft = 69;
constexpr int kCellTop = 47;
constexpr int kCellPitchX = 304;
constexpr int kCellPitchY = 224;
constexpr int kCellWidth = 280;
constexpr int kCellHeight = 168;
constexpr int kDialogLeft = 254;
constexpr int kDialogTop = 116;

// Characters a caption drops: "SignIn\" in front, "33秒.bmp" at the end.
constexpr size_t kCaptionPrefix = 7;
constexpr size_t kCaptionSuffix = 7;

constexpr LayoutRect kUpButton{117, 810, 296, 930};
constexpr LayoutRect kDownButton{368, 810, 538, 930};
constexpr LayoutRect kCloseButton{648, 810, 850, 930};

int64_t DayOf(const RecordTime& t) {
    return CalendarSeconds({t.year, t.month, t.day, 0, 0, 0}) / 86400; // whole days: exact
}

} // namespace

bool HistoryFilter::Shows(std::wstring_view name, const RecordTime& lastWrite) const {
    if (nDays <= 0)
        return true;
    const std::optional<RecordTime> named = RecordTimeFromName(name);
    const int64_t age = DayOf(today) - DayOf(named ? *named : lastWrite);
    return age >= 0 && age < nDays;
}

int MaxRow(size_t count) {
    const size_t rows = count / kHistoryColumns;
    if (rows <= 2)
        return 0;
    return static_cast<int>(std::min<size_t>(rows - 2, INT_MAX));
}

std::ptrdiff_t RecordIndexForCell(size_t count, int firstRow, int t) {
    if (t < 0 || t >= kHistoryCells || firstRow < 0)
        return -1;
    const uint64_t skipped = uint64_t{3} * static_cast<uint64_t>(firstRow) + static_cast<uint64_t>(t);
    if (skipped >= count)
        return -1;
    return static_cast<std::ptrdiff_t>(count - 1 - skipped);
}

std::wstring CaptionOf(std::wstring_view path) {
    if (path.size() <= kCaptionPrefix + kCaptionSuffix)
        return {};
    return std::wstring(path.substr(kCaptionPrefix, path.size() - kCaptionPrefix - kCaptionSuffix));
}

int ThumbTop(int firstRow, int maxRow, int clientHeight, int thumbHeight) {
    int ty = clientHeight - thumbHeight;
    if (maxRow > 0)
        ty = static_cast<int>(static_cast<double>(firstRow) / maxRow * clientHeight);
    if (ty + thumbHeight > clientHeight)
        ty = clientHeight - thumbHeight;
    return ty;
}

LayoutRect HistoryCellRect(int t, const DesignScale& s, int left, int top) {
    const int row = t / kHistoryColumns;
    const int column = t % kHistoryColumns;
    // evaluated in this order so the truncation matches the drawing code
    const int x = static_cast<int>(column * kCellPitchX * s.sx + (kCellLeft * s.sx + left));
    const int y = static_cast<int>(row * kCellPitchY * s.sy + top + kCellTop * s.sy);
    const int w = s.X(kCellWidth);
    const int h = s.Y(kCellHeight);
    return {x, y, x + w, y + h};
}

LayoutRect HistoryCaptionRect(const LayoutRect& cell, int clientHeight) {
    return {cell.left, cell.bottom, cell.right, cell.top + clientHeight / 2};
}

LayoutRect HistoryButtonRect(HistoryButton button, const DesignScale& s) {
    LayoutRect rc;
    switch (button) {
    case HistoryButton::Up:
        rc = kUpButton;
        break;
    case HistoryButton::Down:
        rc = kDownButton;
        break;
    case HistoryButton::Close:
        rc = kCloseButton;
        break;
    case HistoryButton::None:
        break;
    }
    return s.Scale(rc.left, rc.top, rc.right, rc.bottom);
}

HistoryButton HistoryButtonAt(int x, int y, const DesignScale& s) {
    for (HistoryButton button : {HistoryButton::Up, HistoryButton::Down, HistoryButton::Close}) {
        if (HistoryButtonRect(button, s).Contains(x, y))
            return button;
    }
    return HistoryButton::None;
}

LayoutRect HistoryDialogRect(int imageWidth, int imageHeight, const DesignScale& s, int screenLeft, int screenTop) {
    const int x = static_cast<int>(screenLeft + kDialogLeft * s.sx);
    const int y = static_cast<int>(screenTop + kDialogTop * s.sy);
    return {x, y, x + s.X(imageWidth), y + s.Y(imageHeight)};
}

void CHistoryList::BeginLoad(std::wstring_view folder, const HistoryFilter& filter) {
    m_strFolder.assign(folder);
    m_filter = filter;
    m_files.clear();
    m_nFirstRow = 0;
    m_nMaxRow = 0;
}

bool CHistoryList::AddEntry(std::wstring_view name, bool bDirectory, const RecordTime& lastWrite) {
    // subfolders are neither listed nor searched
    if (IsDotEntry(name) || bDirectory || !IsRecordName(name) || !m_filter.Shows(name, lastWrite))
        return false;
    std::wstring path;
    path.reserve(m_strFolder.size() + 1 + name.size());
    path.append(m_strFolder).append(1, L'\\').append(name);
    m_files.push_back(std::move(path));
    return true;
}

void CHistoryList::EndLoad() {
    SortRecordNames(m_files);
    m_nMaxRow = ::MaxRow(m_files.size());
    m_nFirstRow = 0;
}

void CHistoryList::Load(std::wstring_view folder, std::span<const HistoryDirEntry> entries,
                        const HistoryFilter& filter) {
    BeginLoad(folder, filter);
    for (const HistoryDirEntry& entry : entries)
        AddEntry(entry.name, entry.bDirectory, entry.lastWrite);
    EndLoad();
}

bool CHistoryList::Lists(std::wstring_view path) const {
    const auto less = [](const std::wstring& a, std::wstring_view b) { return RecordNameLess(a, b); };
    const auto it = std::lower_bound(m_files.begin(), m_files.end(), path, less);
    return it != m_files.end() && *it == path;
}

bool CHistoryList::ScrollUp() {
    if (m_nFirstRow <= 0)
        return false;
    --m_nFirstRow;
    return true;
}

bool CHistoryList::ScrollDown() {
    if (m_nFirstRow >= m_nMaxRow)
        return false;
    ++m_nFirstRow;
    return true;
}

const std::wstring* CHistoryList::RecordForCell(int t) const {
    const std::ptrdiff_t index = RecordIndexForCell(m_files.size(), m_nFirstRow, t);
    return index < 0 ? nullptr : &m_files[static_cast<size_t>(index)];
}
