#include "history/HistoryList.h"
#include "history/PinEntry.h"
#include "history/PinPad.h"
#include "history/ThumbnailCache.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
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

TEST(HistoryList, DaysCountCalendarDaysWithTodayTheFirst) {
    const RecordTime noon{2024, 3, 7, 12, 0, 0};
    const RecordTime march1{2024, 3, 1, 0, 0, 1};
    struct FilterCase {
        const char* name;
        int nDays;
        RecordTime today;
        const wchar_t* record;
        RecordTime lastWrite;
        bool bShown;
    };
    const FilterCase cases[] = {
        {"0: every record", 0, noon, L"1999年01月01日00时00分00秒.bmp", {}, true},
        {"1: today from midnight", 1, noon, L"2024年03月07日00时00分00秒.bmp", {}, true},
        {"1: today until midnight", 1, noon, L"2024年03月07日23时59分59秒.bmp", {}, true},
        {"1: not yesterday's last second", 1, noon, L"2024年03月06日23时59分59秒.bmp", {}, false},
        {"2: yesterday's first second", 2, noon, L"2024年03月06日00时00分00秒.bmp", {}, true},
        {"2: not the day before", 2, noon, L"2024年03月05日23时59分59秒.bmp", {}, false},
        {"a copy's name counts too", 1, noon, L"2024年03月07日09时05分03秒(2).bmp", {}, true},
        {"after today is not among the last days", 7, noon, L"2024年03月08日00时00分00秒.bmp", {}, false},
        {"2 across a leap day", 2, march1, L"2024年02月29日08时00分00秒.bmp", {}, true},
        {"2 across a leap day, not the 28th", 2, march1, L"2024年02月28日23时00分00秒.bmp", {}, false},
        {"31 across the year", 31, {2024, 1, 1, 0, 0, 0}, L"2023年12月02日10时00分00秒.bmp", {}, true},
        {"no time in the name: changed today", 1, noon, L"visitor.bmp", {2024, 3, 7, 8, 0, 0}, true},
        {"no time in the name: changed 3 days ago", 3, noon, L"visitor.bmp", {2024, 3, 4, 8, 0, 0}, false},
        {"an impossible date is no time", 1, noon, L"2024年13月07日09时05分03秒.bmp", {2024, 3, 7, 8, 0, 0}, true},
        {"the name decides over the change", 1, noon, L"2024年03月01日09时05分03秒.bmp", noon, false},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ((HistoryFilter{c.nDays, c.today}.Shows(c.record, c.lastWrite)), c.bShown);
    }
}

// The scroll range and the cells count only the records the days let through.
TEST(HistoryList, PagingCountsOnlyTheRecordsShown) {
    std::vector<std::wstring> names;
    std::vector<HistoryDirEntry> entries;
    for (int day = 1; day <= 4; ++day) {
        for (int i = 0; i < 5; ++i)
            names.push_back(L"2024年03月0" + std::to_wstring(day) + L"日10时0" + std::to_wstring(i) + L"分00秒.bmp");
    }
    for (const std::wstring& name : names)
        entries.push_back({name, false});
    CHistoryList list;
    list.Load(L"SignIn", entries, {2, {2024, 3, 4, 18, 0, 0}});
    ASSERT_EQ(list.Files().size(), 10u); // the 3rd and the 4th
    EXPECT_EQ(list.MaxRow(), 1);
    ASSERT_TRUE(list.ScrollDown());
    EXPECT_FALSE(list.ScrollDown());
    EXPECT_EQ(*list.RecordForCell(6), L"SignIn\\" + names[10]); // the oldest shown ends the third row
    EXPECT_EQ(list.RecordForCell(7), nullptr);
    EXPECT_TRUE(list.Lists(L"SignIn\\" + names[19]));
    EXPECT_FALSE(list.Lists(L"SignIn\\" + names[9]));
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

    // records the history no longer shows keep no picture
    cache.KeepOnly([](const std::wstring& key) { return key != L"SignIn\\a.bmp"; });
    EXPECT_EQ(cache.Size(), 1u);
    EXPECT_EQ(cache.Find(L"SignIn\\a.bmp", a), nullptr);
    EXPECT_NE(cache.Find(L"SignIn\\c.bmp", a), nullptr);
}

namespace {

using PinResult = CPinEntry::Result;

TEST(PinEntry, OnlyTheWholePinOpensWithinThreeTries) {
    // keys: a digit, B back, C clear, K OK; one result per K
    struct PinCase {
        const char* name;
        const wchar_t* pin;
        const char* keys;
        std::vector<PinResult> results;
        size_t dotsAfter;
    };
    constexpr auto O = PinResult::Opened, W = PinResult::Wrong, X = PinResult::NoTriesLeft, I = PinResult::Ignored;
    const PinCase cases[] = {
        {"right", L"2468", "2468K", {O}, 0},
        {"wrong, then right", L"2468", "1111K2468K", {W, O}, 0},
        {"a prefix is wrong", L"2468", "246K", {W}, 0},
        {"one more digit is wrong", L"2468", "24680K", {W}, 0},
        {"three wrong: no tries left, then nothing counts", L"2468", "1K2K3K2468K", {W, W, X, I}, 0},
        {"back takes the last digit", L"2468", "2469B8K", {O}, 0},
        {"back on nothing", L"2468", "BB2468K", {O}, 0},
        {"clear starts again", L"2468", "99C2468K", {O}, 0},
        {"OK on nothing is no try", L"2468", "KKK1K2468K", {I, I, I, W, O}, 0},
        {"leading zeros count", L"0007", "7K0007K", {W, O}, 0},
        {"twelve digits, the thirteenth ignored", L"123456789012", "1234567890123K", {O}, 0},
        {"the entry stops at twelve whatever the PIN's length", L"2468", "12345678901234", {}, 12},
        {"dots follow the entry", L"2468", "135B", {}, 2},
        {"an unusable PIN opens nothing", L"12a4", "12a4K124K", {W, W}, 0},
        {"an empty PIN opens nothing", L"", "0000K", {W}, 0},
    };
    for (const PinCase& c : cases) {
        SCOPED_TRACE(c.name);
        CPinEntry entry(c.pin);
        std::vector<PinResult> results;
        for (const char* p = c.keys; *p; ++p) {
            if (*p >= '0' && *p <= '9')
                entry.AddDigit(*p - '0');
            else if (*p == 'B')
                entry.Back();
            else if (*p == 'C')
                entry.Clear();
            else if (*p == 'K')
                results.push_back(entry.Submit());
        }
        EXPECT_EQ(results, c.results);
        EXPECT_EQ(entry.Length(), c.dotsAfter);
    }
    EXPECT_TRUE(IsUsablePin(L"0000"));
    EXPECT_TRUE(IsUsablePin(L"123456789012"));
    for (const wchar_t* pin : {L"", L"123", L"1234567890123", L"12 34", L"-1234", L"\uFF11\uFF12\uFF13\uFF14"})
        EXPECT_FALSE(IsUsablePin(pin)) << "PIN of " << wcslen(pin) << " characters";
}

// On every screen the tests use, each key is a fingertip's size or more, lies
// inside the keypad and is hit at its centre, and the keypad fits the screen.
TEST(PinPad, KeysAreTouchSizedOnEveryScreen) {
    constexpr int kMinKeyPixels = 64; // some 17 mm at 96 dpi
    for (const auto& [cx, cy] : {std::pair{1920, 1080}, std::pair{1366, 768}, std::pair{1280, 720}}) {
        SCOPED_TRACE(testing::Message() << cx << "x" << cy);
        const DesignScale s = DesignScale::ForScreen(cx, cy);
        const LayoutRect pad = PinPadRect(s);
        EXPECT_TRUE(pad.left >= 0 && pad.top >= 0 && pad.right <= cx && pad.bottom <= cy);
        EXPECT_LE(std::abs(pad.left - (cx - pad.right)), 2); // centred, but for truncation
        std::vector<LayoutRect> keys;
        for (int k = 0; k < static_cast<int>(PinKey::None); ++k) {
            const PinKey key = static_cast<PinKey>(k);
            const LayoutRect rc = PinKeyRect(key, s);
            EXPECT_GE(rc.Width(), kMinKeyPixels) << "key " << k;
            EXPECT_GE(rc.Height(), kMinKeyPixels) << "key " << k;
            EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= pad.Width() && rc.bottom <= pad.Height());
            EXPECT_EQ(PinKeyAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2, s), key) << "key " << k;
            for (const LayoutRect& other : keys)
                EXPECT_TRUE(rc.right <= other.left || other.right <= rc.left || rc.bottom <= other.top ||
                            other.bottom <= rc.top);
            keys.push_back(rc);
        }
        const LayoutRect one = PinKeyRect(PinKey::D1, s);
        EXPECT_EQ(PinKeyAt(one.right, one.top, s), PinKey::None); // the gap between keys
        // twelve dots in a row stay apart, inside the field above the keys
        const LayoutRect first = PinDotRect(0, kMaxPinDigits, s),
                         last = PinDotRect(kMaxPinDigits - 1, kMaxPinDigits, s);
        EXPECT_LT(first.right, PinDotRect(1, kMaxPinDigits, s).left);
        EXPECT_GT(first.left, 0);
        EXPECT_LT(last.right, pad.Width());
        EXPECT_LT(last.bottom, one.top);
        // the shake moves, and ends where it began
        EXPECT_NE(PinShakeOffset(0, s), 0);
        EXPECT_EQ(PinShakeOffset(kPinShakeSteps - 1, s), 0);
    }
}

} // namespace
