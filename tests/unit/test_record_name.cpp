#include "records/RecordName.h"

#include "framework/NumberedName.h"
#include "history/HistoryList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

TEST(RecordName, DateAndTimeInFixedWidthFields) {
    EXPECT_EQ(RecordFileName({2024, 3, 7, 9, 5, 3}), L"SignIn\\2024年03月07日09时05分03秒.bmp");
    EXPECT_EQ(RecordFileName({2026, 12, 31, 23, 59, 59}), L"SignIn\\2026年12月31日23时59分59秒.bmp");
    EXPECT_EQ(RecordFileName({2024, 3, 7, 9, 5, 3}, 2), L"SignIn\\2024年03月07日09时05分03秒(2).bmp");
}

TEST(RecordName, CopiesAreListedWithTheSameCaptionNextToTheFirst) {
    const RecordTime t{2024, 3, 7, 9, 5, 3};
    const std::wstring first = RecordFileName(t);
    const std::wstring copy = RecordFileName(t, 2);
    EXPECT_TRUE(IsRecordName(copy));
    EXPECT_EQ(CaptionOf(copy), L"2024年03月07日09时05分03秒");
    EXPECT_EQ(CaptionOf(first), L"2024年03月07日09时05分");
    // neighbours in the history's order: nothing from another second between them
    std::vector<std::wstring> names = {RecordFileName({2024, 3, 7, 9, 5, 4}), copy, first,
                                       RecordFileName({2024, 3, 7, 9, 5, 2})};
    SortRecordNames(names);
    const auto a = std::find(names.begin(), names.end(), first);
    const auto b = std::find(names.begin(), names.end(), copy);
    EXPECT_EQ(std::abs(static_cast<int>(a - b)), 1);
}

TEST(NumberedName, NumberGoesBeforeTheExtensionAndReadsBack) {
    const struct {
        const wchar_t* name;
        int n;
        const wchar_t* numbered;
    } cases[] = {
        {L"X.bmp", 1, L"X.bmp"},
        {L"X.bmp", 0, L"X.bmp"},
        {L"X.bmp", 2, L"X(2).bmp"},
        {L"X.bmp", 123456, L"X(123456).bmp"},
        {L"a.bmp.txt", 3, L"a.bmp(3).txt"}, // the last dot
        {L"plain", 2, L"plain(2)"},
        {L"X(2).bmp", 3, L"X(2)(3).bmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.name) + L" " + std::to_wstring(c.n));
        EXPECT_EQ(NumberedName(c.name, c.n), c.numbered);
        const NameAndNumber back = SplitNumberedName(c.numbered);
        EXPECT_EQ(back.name, c.n > 1 ? std::wstring(c.name) : std::wstring(c.numbered));
        EXPECT_EQ(back.n, c.n > 1 ? c.n : 1);
    }
    // what only looks numbered is name 1
    for (const wchar_t* name : {L"X().bmp", L"X(2a).bmp", L"X(1234567).bmp", L"X2).bmp", L").bmp"}) {
        SCOPED_TRACE(std::wstring(name));
        const NameAndNumber back = SplitNumberedName(name);
        EXPECT_EQ(back.name, name);
        EXPECT_EQ(back.n, 1);
    }
}

TEST(RecordName, TemporaryFileIsNeverListed) {
    EXPECT_FALSE(IsRecordName(RecordTempFileName(1234)));
    EXPECT_EQ(RecordTempFileName(1234).rfind(L"SignIn\\", 0), 0u);
}

} // namespace
