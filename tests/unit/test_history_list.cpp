#include "history/HistoryList.h"
#include "history/ThumbnailCache.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// found by argument-dependent lookup, so failures print the rectangle
void PrintTo(const LayoutRect& rc, std::ostream* os) {
    *os << "(" << rc.left << ", " << rc.top << ")-(" << rc.right << ", " << rc.bottom << ")";
}

namespace {

// Records r00.bmp .. r(count-1).bmp, handed over newest first so the list
// has to sort them.
CHistoryList LoadRecords(int count) {
    std::vector<std::wstring> names;
    for (int i = count - 1; i >= 0; --i)
        names.push_back(L"r" + std::to_wstring(100 + i) + L".bmp");
    std::vector<HistoryDirEntry> entries{{L".", true}, {L"..", true}};
    for (const std::wstring& name : names)
        entries.push_back({name, false});
    CHistoryList list;
    list.Load(L"SignIn", entries);
    return list;
}

int IndexShown(const CHistoryList& list, int t) {
    const std::wstring* path = list.RecordForCell(t);
    if (!path)
        return -1;
    return std::stoi(path->substr(8, 3)) - 100; // "SignIn\r1NN.bmp"
}

struct PagingCase {
    const char* name;
    int count;
    int maxRow;
    std::vector<std::vector<int>> cellsAtRow; // record index per cell, per position
};

TEST(HistoryList, CellsShowNewestFirstAtEveryScrollPosition) {
    const PagingCase cases[] = {
        {"no records", 0, 0, {{-1, -1, -1, -1, -1, -1, -1, -1, -1}}},
        {"8 records all visible", 8, 0, {{7, 6, 5, 4, 3, 2, 1, 0, -1}}},
        {"9 records scroll to two rows", 9, 1, {{8, 7, 6, 5, 4, 3, 2, 1, 0}, {5, 4, 3, 2, 1, 0, -1, -1, -1}}},
        {"10 records, oldest alone in row 3", 10, 1, {{9, 8, 7, 6, 5, 4, 3, 2, 1}, {6, 5, 4, 3, 2, 1, 0, -1, -1}}},
        {"12 records",
         12,
         2,
         {{11, 10, 9, 8, 7, 6, 5, 4, 3}, {8, 7, 6, 5, 4, 3, 2, 1, 0}, {5, 4, 3, 2, 1, 0, -1, -1, -1}}},
    };
    for (const PagingCase& c : cases) {
        SCOPED_TRACE(c.name);
        CHistoryList list = LoadRecords(c.count);
        ASSERT_EQ(list.Files().size(), static_cast<size_t>(c.count));
        EXPECT_EQ(list.MaxRow(), c.maxRow);
        EXPECT_EQ(MaxRow(c.count), c.maxRow);
        EXPECT_FALSE(list.ScrollUp());
        for (size_t row = 0; row < c.cellsAtRow.size(); ++row) {
            ASSERT_EQ(list.FirstRow(), static_cast<int>(row));
            for (int t = 0; t < kHistoryCells; ++t) {
                EXPECT_EQ(IndexShown(list, t), c.cellsAtRow[row][t]) << "row " << row << " cell " << t;
                EXPECT_EQ(RecordIndexForCell(c.count, static_cast<int>(row), t), c.cellsAtRow[row][t]);
            }
            EXPECT_EQ(list.ScrollDown(), row + 1 < c.cellsAtRow.size());
        }
        EXPECT_EQ(list.FirstRow(), c.maxRow);
        EXPECT_EQ(list.ScrollUp(), c.maxRow > 0);
    }
}

TEST(HistoryList, ScrollRangeAndCellArgumentsOutsideTheGrid) {
    EXPECT_EQ(MaxRow(2), 0);
    EXPECT_EQ(MaxRow(11), 1);
    EXPECT_EQ(MaxRow(300), 98);
    EXPECT_EQ(MaxRow(100000), 33331);
    EXPECT_EQ(RecordIndexForCell(12, 0, 9), -1);
    EXPECT_EQ(RecordIndexForCell(12, 0, -1), -1);
    EXPECT_EQ(RecordIndexForCell(12, -1, 0), -1);
    EXPECT_EQ(RecordIndexForCell(12, 4, 0), -1);
}

TEST(HistoryList, LoadTakesOnlyRecordFilesOfTheFolderItself) {
    struct EntryCase {
        const wchar_t* name;
        bool bDirectory;
        bool bListed;
    };
    const EntryCase cases[] = {
        {L".", true, false},     {L"..", true, false},        {L"x.BMP", false, true},      {L"x.Bmp", false, false},
        {L"y.bmp", true, false}, {L"a.bmp.txt", false, true}, {L"notes.txt", false, false}, {L"photo.bmp", false, true},
        {L"bmp", false, false},  {L".bmp", false, true},      {L"z.bMP", false, false},
    };
    std::vector<HistoryDirEntry> entries;
    std::vector<std::wstring> expected;
    for (const EntryCase& c : cases) {
        CHistoryList one;
        one.BeginLoad(L"SignIn");
        EXPECT_EQ(one.AddEntry(c.name, c.bDirectory), c.bListed) << c.name;
        entries.push_back({c.name, c.bDirectory});
        if (c.bListed)
            expected.push_back(std::wstring(L"SignIn\\") + c.name);
    }
    SortRecordNames(expected);

    CHistoryList list = LoadRecords(12);
    ASSERT_TRUE(list.ScrollDown());
    list.Load(L"SignIn", entries);
    EXPECT_EQ(list.Files(), expected);
    EXPECT_EQ(list.FirstRow(), 0); // a reload starts at the newest records
    EXPECT_EQ(list.MaxRow(), 0);
}

TEST(HistoryList, SortIgnoresLetterCaseLikeTheKioskFileSystem) {
    struct SortCase {
        const char* name;
        std::vector<std::wstring> input;
        std::vector<std::wstring> sorted;
    };
    const SortCase cases[] = {
        {"letters fold, Z after a", {L"Z.bmp", L"b.bmp", L"a.bmp"}, {L"a.bmp", L"b.bmp", L"Z.bmp"}},
        {"folding is to upper case: a before _", {L"_x.bmp", L"a.bmp"}, {L"a.bmp", L"_x.bmp"}},
        {"equal but for case: exact units decide", {L"a.bmp", L"A.bmp", L"a.BMP"}, {L"A.bmp", L"a.BMP", L"a.bmp"}},
        {"prefix first", {L"a.bmp.txt", L"A.BMP"}, {L"A.BMP", L"a.bmp.txt"}},
        {"records in time order",
         {L"2014年12月01日08时00分00秒.bmp", L"2014年05月09日16时07分33秒.bmp", L"2014年05月09日16时07分32秒.bmp",
          L"2013年12月31日23时59分59秒.bmp"},
         {L"2013年12月31日23时59分59秒.bmp", L"2014年05月09日16时07分32秒.bmp", L"2014年05月09日16时07分33秒.bmp",
          L"2014年12月01日08时00分00秒.bmp"}},
        {"non-ASCII letters are not folded",
         {L"\u00E9.bmp", L"\u00C9.bmp", L"f.bmp"},
         {L"f.bmp", L"\u00C9.bmp", L"\u00E9.bmp"}},
    };
    for (const SortCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::wstring> names = c.input;
        SortRecordNames(names);
        EXPECT_EQ(names, c.sorted);
    }
}

TEST(HistoryList, CaptionDropsFolderAndSecondsWithExtension) {
    struct CaptionCase {
        const char* name;
        std::wstring path;
        std::wstring caption;
    };
    const CaptionCase cases[] = {
        {"record name", L"SignIn\\2014年05月09日16时07分33秒.bmp", L"2014年05月09日16时07分"},
        {"file name of 5 characters", L"SignIn\\a.bmp", L""},
        {"file name of exactly 7 characters", L"SignIn\\abc.bmp", L""},
        {"file name of 8 characters", L"SignIn\\abcd.bmp", L"a"},
        {"shorter than the prefix", L"ab", L""},
        {"empty", L"", L""},
    };
    for (const CaptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CaptionOf(c.path), c.caption);
    }
}

TEST(HistoryList, ThumbFollowsScrollPositionAndStaysInside) {
    struct ThumbCase {
        const char* name;
        int firstRow, maxRow, clientHeight, thumbHeight;
        int top;
    };
    const ThumbCase cases[] = {
        {"12 records, position 0", 0, 2, 749, 60, 0},
        {"12 records, position 1: half, truncated", 1, 2, 749, 60, 374},
        {"12 records, position 2: bottom", 2, 2, 749, 60, 689},
        {"nowhere to scroll: at rest at the bottom", 0, 0, 749, 60, 689},
        {"tall thumb pulled back", 1, 2, 749, 400, 349},
        {"one third, truncated", 1, 3, 100, 10, 33},
        {"no thumb picture", 2, 2, 749, 0, 749},
    };
    for (const ThumbCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ThumbTop(c.firstRow, c.maxRow, c.clientHeight, c.thumbHeight), c.top);
    }
}

const DesignScale kScale1080 = DesignScale::ForScreen(1920, 1080);
const DesignScale kScale720 = DesignScale::ForScreen(1280, 720);

TEST(HistoryList, CellRectanglesScaleWithTheScreen) {
    struct CellCase {
        const char* name;
        int t;
        DesignScale scale;
        LayoutRect rc;
    };
    const CellCase cases[] = {
        {"1920x1080 cell 0", 0, kScale1080, {69, 47, 349, 215}},
        {"1920x1080 cell 4", 4, kScale1080, {373, 271, 653, 439}},
        {"1920x1080 cell 8", 8, kScale1080, {677, 495, 957, 663}},
        {"1280x720 cell 0", 0, kScale720, {46, 31, 232, 143}},
        {"1280x720 cell 4", 4, kScale720, {248, 180, 434, 292}},
        {"1280x720 cell 5", 5, kScale720, {451, 180, 637, 292}},
        // 448 sy + 47 sy sums to just under 330 in doubles; the drawing code truncates that
        {"1280x720 cell 8", 8, kScale720, {451, 329, 637, 441}},
    };
    for (const CellCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HistoryCellRect(c.t, c.scale), c.rc);
    }
    EXPECT_EQ(HistoryCaptionRect(HistoryCellRect(0, kScale1080), 1000), (LayoutRect{69, 215, 349, 547}));
}

TEST(HistoryList, ButtonAreasIncludeLeftTopAndExcludeRightBottom) {
    EXPECT_EQ(HistoryButtonRect(HistoryButton::Up, kScale720), (LayoutRect{78, 540, 197, 620}));
    EXPECT_EQ(HistoryButtonRect(HistoryButton::Close, kScale720), (LayoutRect{432, 540, 566, 620}));

    struct HitCase {
        const char* name;
        DesignScale scale;
        int x, y;
        HistoryButton button;
    };
    const HitCase cases[] = {
        {"up, top-left corner", kScale1080, 117, 810, HistoryButton::Up},
        {"up, last pixel", kScale1080, 295, 929, HistoryButton::Up},
        {"up, right edge excluded", kScale1080, 296, 810, HistoryButton::None},
        {"down", kScale1080, 368, 900, HistoryButton::Down},
        {"down, bottom edge excluded", kScale1080, 400, 930, HistoryButton::None},
        {"close", kScale1080, 849, 929, HistoryButton::Close},
        {"close, right edge excluded", kScale1080, 850, 900, HistoryButton::None},
        {"between buttons", kScale1080, 330, 850, HistoryButton::None},
        {"on a cell", kScale1080, 500, 300, HistoryButton::None},
        {"1280x720 up at its scaled corner", kScale720, 78, 540, HistoryButton::Up},
        {"1280x720 design up corner is outside", kScale720, 117, 810, HistoryButton::None},
        {"1280x720 close", kScale720, 565, 619, HistoryButton::Close},
    };
    for (const HitCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HistoryButtonAt(c.x, c.y, c.scale), c.button);
    }
}

TEST(HistoryList, DialogSitsAtItsDesignPosition) {
    EXPECT_EQ(HistoryDialogRect(1412, 848, kScale1080), (LayoutRect{254, 116, 1666, 964}));
    EXPECT_EQ(HistoryDialogRect(1412, 848, kScale720), (LayoutRect{169, 77, 1110, 642}));
    EXPECT_EQ(HistoryDialogRect(0, 0, kScale1080), (LayoutRect{254, 116, 254, 116}));
}

} // namespace

TEST(ThumbnailCache, KeepsTheRecentlyUsedWithinItsBoundAndDropsChangedFiles) {
    CThumbnailCache<int> cache(2);
    const ThumbnailStamp a{100, 1, 280, 168};
    cache.Insert(L"SignIn\\a.bmp", a, 1);
    cache.Insert(L"SignIn\\b.bmp", a, 2);
    ASSERT_NE(cache.Find(L"SignIn\\a.bmp", a), nullptr); // a is now the most recent
    cache.Insert(L"SignIn\\c.bmp", a, 3);
    EXPECT_EQ(cache.Size(), 2u);
    EXPECT_EQ(cache.Find(L"SignIn\\b.bmp", a), nullptr);
    ASSERT_NE(cache.Find(L"SignIn\\a.bmp", a), nullptr);
    EXPECT_EQ(*cache.Find(L"SignIn\\a.bmp", a), 1);

    // the same name with another size, write time or cell size is another picture
    for (const ThumbnailStamp& changed :
         {ThumbnailStamp{101, 1, 280, 168}, ThumbnailStamp{100, 2, 280, 168}, ThumbnailStamp{100, 1, 186, 112}}) {
        cache.Insert(L"SignIn\\a.bmp", a, 1);
        EXPECT_EQ(cache.Find(L"SignIn\\a.bmp", changed), nullptr);
        EXPECT_EQ(cache.Find(L"SignIn\\a.bmp", a), nullptr); // and the stale entry is gone
    }
    cache.Insert(L"SignIn\\a.bmp", a, 4);
    cache.Insert(L"SignIn\\a.bmp", a, 5); // replaces, does not duplicate
    EXPECT_EQ(cache.Size(), 2u);
    EXPECT_EQ(*cache.Find(L"SignIn\\a.bmp", a), 5);
}
