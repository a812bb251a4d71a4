#include "desk/DeskCsv.h"
#include "desk/DeskDay.h"
#include "desk/DeskLayout.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

std::wstring NameAt(int h, int m, int s, const wchar_t* pszTail = L".bmp", const DeskDate& d = {2024, 3, 7}) {
    std::wstring name = RecordFileName({d.year, d.month, d.day, h, m, s});
    name = name.substr(name.find(L'\\') + 1);
    return name.substr(0, name.size() - 4) + pszTail;
}

TEST(DeskDate, CalendarArithmeticAndStrictParsing) {
    EXPECT_EQ(AddDays({2024, 2, 28}, 1), (DeskDate{2024, 2, 29}));
    EXPECT_EQ(AddDays({2023, 2, 28}, 1), (DeskDate{2023, 3, 1}));
    EXPECT_EQ(AddDays({2024, 1, 1}, -1), (DeskDate{2023, 12, 31}));
    EXPECT_EQ(AddDays({1999, 12, 31}, 366), (DeskDate{2000, 12, 31}));
    EXPECT_EQ(AddDays({2024, 3, 7}, 0), (DeskDate{2024, 3, 7}));

    const struct {
        const wchar_t* text;
        std::optional<DeskDate> date;
    } cases[] = {
        {L"2024-03-07", DeskDate{2024, 3, 7}}, {L"2024-02-29", DeskDate{2024, 2, 29}},
        {L"2023-02-29", std::nullopt},         {L"2024-04-31", std::nullopt},
        {L"2024-13-01", std::nullopt},         {L"2024-00-10", std::nullopt},
        {L"2024-3-07", std::nullopt},          {L"2024-03-07x", std::nullopt},
        {L"2024/03/07", std::nullopt},         {L"", std::nullopt},
        {L"+024-03-07", std::nullopt},         {L"0000-01-01", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        EXPECT_EQ(ParseDeskDate(c.text), c.date);
        if (c.date) {
            EXPECT_EQ(FormatDeskDate(*c.date), c.text);
        }
    }
    EXPECT_EQ(DayNamePrefix({2024, 3, 7}), L"2024年03月07日");
    EXPECT_TRUE(NameAt(9, 5, 3).starts_with(DayNamePrefix({2024, 3, 7})));
}

TEST(DeskDate, AViewFollowingTodayMovesOnAtMidnightAChosenDayStays) {
    const DeskDate mon{2024, 3, 4}, tue{2024, 3, 5}, fri{2024, 3, 1};
    EXPECT_EQ(DayAfterClockCheck(mon, mon, tue), tue);
    EXPECT_EQ(DayAfterClockCheck(fri, mon, tue), fri);
    EXPECT_EQ(DayAfterClockCheck(mon, mon, mon), mon);
}

TEST(DeskDay, OnlyRecordNamesAsTheKioskWritesThemCount) {
    const struct {
        std::wstring name;
        bool bRecord;
    } cases[] = {
        {NameAt(9, 5, 3), true},
        {NameAt(9, 5, 3, L".BMP"), true},
        {NameAt(9, 5, 3, L"(2).bmp"), true},
        {NameAt(9, 5, 3, L"(12).BMP"), true},
        {NameAt(9, 5, 3, L".Bmp"), false},     // the history never listed it either
        {NameAt(9, 5, 3, L".bmp.tmp"), false}, // a copy tool's partial file
        {NameAt(9, 5, 3, L".png"), false},
        {NameAt(9, 5, 3, L"().bmp"), false},
        {NameAt(9, 5, 3, L"(2.bmp"), false},
        {NameAt(9, 5, 3, L" copy.bmp"), false},
        {L"~copying-1234.tmp", false},
        {L"x.bmp", false},
        {L"2024年03月07日25时00分00秒.bmp", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        EXPECT_EQ(DeskRecordTime(c.name).has_value(), c.bRecord);
    }
}

// A share of two kiosks and everything else a share may hold.
CDeskDayList ListShare() {
    CDeskDayList list;
    list.Begin({2024, 3, 7});
    EXPECT_TRUE(list.AddKiosk(L"Entrance-B", false));
    EXPECT_TRUE(list.AddKiosk(L"Entrance-A", false));
    EXPECT_TRUE(list.AddKiosk(L"Side door", false));
    EXPECT_FALSE(list.AddKiosk(L"..", false));
    EXPECT_FALSE(list.AddKiosk(L"Elsewhere", true)); // a junction may lead anywhere
    EXPECT_FALSE(list.AddKiosk(L"con", false));
    const struct {
        const wchar_t* kiosk;
        std::wstring name;
        bool bDirectory, bLink, bTaken;
    } entries[] = {
        {L"Entrance-A", NameAt(12, 0, 0), false, false, true},
        {L"Entrance-B", NameAt(9, 10, 0), false, false, true},
        {L"Entrance-A", NameAt(9, 0, 1), false, false, true},
        {L"Entrance-B", NameAt(9, 0, 1), false, false, true},             // same second as A's
        {L"Entrance-A", NameAt(9, 0, 1, L"(2).bmp"), false, false, true}, // after A's first
        {L"Entrance-A", L"~copying-77.tmp", false, false, false},
        {L"Entrance-A", NameAt(10, 0, 0), true, false, false}, // a folder named like a record
        {L"Entrance-A", NameAt(10, 0, 0, L"(3).bmp"), false, true, false},
        {L"Entrance-B", NameAt(23, 0, 0, L".bmp", {2024, 3, 6}), false, false, false}, // the day before
        {L"Entrance-B", L"notes.txt", false, false, false},
    };
    for (const auto& e : entries) {
        SCOPED_TRACE(testing::PrintToString(e.name));
        EXPECT_EQ(list.AddFile(e.kiosk, e.name, e.bDirectory, e.bLink, 100, 1), e.bTaken);
    }
    list.End();
    return list;
}

TEST(DeskDay, RecordsOfEveryKioskInTimeOrderWithCounts) {
    const CDeskDayList list = ListShare();
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"Entrance-A", NameAt(9, 0, 1)},  {L"Entrance-A", NameAt(9, 0, 1, L"(2).bmp")},
        {L"Entrance-B", NameAt(9, 0, 1)},  {L"Entrance-B", NameAt(9, 10, 0)},
        {L"Entrance-A", NameAt(12, 0, 0)},
    };
    ASSERT_EQ(list.Records().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list.Records()[i].kiosk, expected[i].first);
        EXPECT_EQ(list.Records()[i].name, expected[i].second);
    }
    ASSERT_EQ(list.Counts().size(), 3u);
    EXPECT_EQ(list.Counts()[0].kiosk, L"Entrance-A");
    EXPECT_EQ(list.Counts()[0].count, 3u);
    EXPECT_EQ(list.Counts()[1].count, 2u);
    EXPECT_EQ(list.Counts()[2].kiosk, L"Side door");
    EXPECT_EQ(list.Counts()[2].count, 0u);

    CDeskDayList again = ListShare();
    EXPECT_TRUE(list.SameAs(again));
    again.AddFile(L"Entrance-B", NameAt(13, 0, 0), false, false, 100, 1);
    again.End();
    EXPECT_FALSE(list.SameAs(again));
    CDeskDayList replaced;
    replaced.Begin({2024, 3, 7});
    replaced.AddKiosk(L"Entrance-A", false);
    replaced.AddFile(L"Entrance-A", NameAt(12, 0, 0), false, false, 100, 2);
    replaced.End();
    CDeskDayList before;
    before.Begin({2024, 3, 7});
    before.AddKiosk(L"Entrance-A", false);
    before.AddFile(L"Entrance-A", NameAt(12, 0, 0), false, false, 100, 1);
    before.End();
    EXPECT_FALSE(before.SameAs(replaced)); // a file written again is drawn again
}

TEST(DeskLayout, GridCellsFitTheAreaWithoutOverlapAndAreFoundByPoint) {
    const struct {
        int width, minCell, gap, columns;
    } cases[] = {{1000, 220, 12, 4}, {240, 220, 12, 1}, {100, 220, 12, 1}, {1920, 220, 12, 8}, {1000, 100, 0, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        const DeskGrid grid = ComputeDeskGrid(c.width, c.minCell, c.gap, c.gap, 20);
        EXPECT_EQ(grid.columns, c.columns);
        EXPECT_EQ(grid.pictureHeight, grid.cellWidth * 2 / 3);
        if (c.width >= c.minCell + 2 * c.gap) {
            EXPECT_GE(grid.cellWidth, c.minCell);
            EXPECT_LE(DeskCellPicture(grid, static_cast<size_t>(grid.columns - 1), 0, 0).right + c.gap, c.width);
        }
        const size_t n = 10;
        for (size_t i = 0; i < n; ++i) {
            const LayoutRect pic = DeskCellPicture(grid, i, 0, 0);
            const LayoutRect cap = DeskCellCaption(grid, i, 0, 0);
            EXPECT_EQ(cap.top, pic.bottom);
            EXPECT_EQ(DeskCellAt(grid, n, pic.left, pic.top), static_cast<std::ptrdiff_t>(i));
            EXPECT_EQ(DeskCellAt(grid, n, cap.right - 1, cap.bottom - 1), static_cast<std::ptrdiff_t>(i));
            if (i + 1 < n) {
                EXPECT_FALSE(DeskCellPicture(grid, i + 1, 0, 0).Contains(pic.left, pic.top));
            }
        }
        EXPECT_EQ(DeskCellAt(grid, n, 0, 0), c.gap > 0 ? -1 : 0); // the gap at the edge
        EXPECT_EQ(DeskCellAt(grid, 3, DeskCellPicture(grid, 3, 0, 0).left, DeskCellPicture(grid, 3, 0, 0).top), -1);
        EXPECT_EQ(DeskMaxScroll(grid, n, 100000), 0);
        EXPECT_EQ(DeskMaxScroll(grid, n, 50), DeskGridContentHeight(grid, n) - 50);
    }
}

TEST(DeskLayout, WindowControlsFollowTheDpiAndNeverOverlap) {
    for (int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        for (int width : {DeskViewMinWidth(dpi), 1600}) {
            const DeskViewLayout v = ComputeDeskViewLayout(width, 900, dpi, true, 17);
            const LayoutRect row[] = {v.previous, v.today, v.next, v.date, v.print, v.exportButton};
            for (size_t i = 1; i < std::size(row); ++i)
                EXPECT_LE(row[i - 1].right, row[i].left);
            EXPECT_LE(v.exportButton.right, width);
            EXPECT_LE(v.counts.bottom, v.banner.top);
            EXPECT_LE(v.banner.bottom, v.grid.top);
            EXPECT_EQ(v.grid.bottom, 900);
            EXPECT_EQ(v.grid.right, v.scrollBar.left);
            EXPECT_EQ(v.scrollBar.right, width);
            EXPECT_LE(DeskCellPicture(v.cells, static_cast<size_t>(v.cells.columns - 1), 0, 0).right, v.grid.Width());
        }
        EXPECT_EQ(ComputeDeskViewLayout(1000, 800, dpi, true).today.Width(), 70 * dpi / 96);
        EXPECT_TRUE(ComputeDeskViewLayout(1000, 800, dpi, false).banner.Width() == 0);
    }
}

TEST(DeskLayout, PagesHoldWholeCellsBelowTheHeaderAtEveryResolution) {
    const struct {
        const char* name;
        int width, height, dpiX, dpiY, columns;
    } cases[] = {
        {"export page", kExportPageWidth, kExportPageHeight, kExportPageDpi, kExportPageDpi, 3},
        {"A4 at 600 dpi", 4960, 7016, 600, 600, 3},
        {"letter landscape at 300 dpi", 3300, 2550, 300, 300, 4},
        {"600 x 300 dpi", 4960, 3508, 600, 300, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DeskPageLayout page = ComputeDeskPageLayout(c.width, c.height, c.dpiX, c.dpiY);
        EXPECT_EQ(page.cells.columns, c.columns);
        EXPECT_GE(page.rows, 2);
        EXPECT_EQ(page.perPage, page.rows * page.cells.columns);
        for (size_t i = 0; i < static_cast<size_t>(page.perPage); ++i) {
            const LayoutRect pic = DeskCellPicture(page.cells, i, page.cellArea.left, page.cellArea.top);
            const LayoutRect cap = DeskCellCaption(page.cells, i, page.cellArea.left, page.cellArea.top);
            EXPECT_GE(pic.top, page.subtitle.bottom);
            EXPECT_GE(pic.left, c.dpiX / 2 - 1); // the half-inch margins
            EXPECT_LE(pic.right, c.width - c.dpiX / 2 + 1);
            EXPECT_LE(cap.bottom, c.height - c.dpiY / 2);
            // a record's shape in inches on every device
            EXPECT_NEAR(pic.Height() * 1.0 / c.dpiY, pic.Width() * 2.0 / 3 / c.dpiX, 0.01);
        }
        EXPECT_EQ(DeskPageCount(0, page), 1);
        EXPECT_EQ(DeskPageCount(1, page), 1);
        EXPECT_EQ(DeskPageCount(static_cast<size_t>(page.perPage), page), 1);
        EXPECT_EQ(DeskPageCount(static_cast<size_t>(page.perPage) + 1, page), 2);
        EXPECT_EQ(DeskPageCount(1000, page), (1000 + page.perPage - 1) / page.perPage);
    }
}

TEST(DeskLayout, PicturesKeepTheirShapeCentredInTheirBox) {
    const struct {
        const char* name;
        int w, h;
        LayoutRect box;
        bool bEnlarge;
        LayoutRect fitted;
    } cases[] = {
        {"wide into a square", 200, 100, {0, 0, 100, 100}, true, {0, 25, 100, 75}},
        {"tall into a square", 100, 200, {10, 10, 110, 110}, true, {35, 10, 85, 110}},
        {"small, enlarged", 30, 20, {0, 0, 300, 200}, true, {0, 0, 300, 200}},
        {"small, at its size", 30, 20, {0, 0, 300, 200}, false, {135, 90, 165, 110}},
        {"record into a cell", 1391, 930, {0, 0, 240, 160}, true, {0, 0, 240, 160}},
        {"huge", 32768, 1, {0, 0, 100, 100}, true, {0, 49, 100, 50}},
        {"no picture", 0, 10, {5, 5, 50, 50}, true, {5, 5, 5, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FitPicture(c.w, c.h, c.box, c.bEnlarge), c.fitted);
    }
}

TEST(DeskCsv, FieldsAreQuotedAndNeverRunAsFormulas) {
    const struct {
        const wchar_t* text;
        const wchar_t* field;
    } cases[] = {
        {L"Entrance-A", L"Entrance-A"},
        {L"Hall, east", L"\"Hall, east\""},
        {L"say \"hi\"", L"\"say \"\"hi\"\"\""},
        {L"=HYPERLINK(\"x\")", L"\"'=HYPERLINK(\"\"x\"\")\""},
        {L"+1", L"'+1"},
        {L"-East", L"'-East"},
        {L"@home", L"'@home"},
        {L"", L""},
        {L"2024年03月07日09时05分03秒.bmp", L"2024年03月07日09时05分03秒.bmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        EXPECT_EQ(CsvField(c.text), c.field);
    }
    const CDeskDayList list = ListShare();
    const std::wstring csv = DeskCsvText(list.Records());
    EXPECT_TRUE(csv.starts_with(
        L"date,time,kiosk,file name\r\n2024-03-07,09:00:01,Entrance-A,2024年03月07日09时00分01秒.bmp\r\n"));
    EXPECT_TRUE(csv.ends_with(L"2024-03-07,12:00:00,Entrance-A,2024年03月07日12时00分00秒.bmp\r\n"));
    EXPECT_EQ(DeskCsvText({}), L"date,time,kiosk,file name\r\n");
    EXPECT_EQ(DeskCsvName({2024, 3, 7}), L"sign-ins-2024-03-07.csv");
    EXPECT_EQ(DeskPageName({2024, 3, 7}, 2), L"sign-ins-2024-03-07-2.png");
}

} // namespace
