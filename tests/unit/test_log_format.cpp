#include "app/CrashDumpFiles.h"
#include "framework/LogFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace {

const LogTime kTime{2024, 3, 7, 9, 5, 3, 12};

TEST(LogFormat, OneEventIsOneUtf8Line) {
    struct Case {
        const char* name;
        std::wstring text;
        std::string expected;
    };
    const Case cases[] = {
        {"fixed-width stamp", L"Velmo started", "2024-03-07 09:05:03.012 Velmo started\r\n"},
        {"CJK record name", L"Saved 签到", "2024-03-07 09:05:03.012 Saved \xE7\xAD\xBE\xE5\x88\xB0\r\n"},
        {"line breaks folded", L"Camera error shown: CoInitialize Failed!\r\n",
         "2024-03-07 09:05:03.012 Camera error shown: CoInitialize Failed!  \r\n"},
        {"surrogate pair", std::wstring{L'a', wchar_t(0xD83D), wchar_t(0xDE00)},
         "2024-03-07 09:05:03.012 a\xF0\x9F\x98\x80\r\n"},
        {"lone surrogate", std::wstring{wchar_t(0xDC00), L'b'},
         "2024-03-07 09:05:03.012 \xEF\xBF\xBD"
         "b\r\n"},
        {"NEL, line and paragraph separators",
         std::wstring{L'a', wchar_t(0x85), wchar_t(0x2028), wchar_t(0x2029), L'b'},
         "2024-03-07 09:05:03.012 a   b\r\n"},
        {"bidirectional controls", std::wstring{wchar_t(0x202E), L'x', wchar_t(0x2066), wchar_t(0x200F)},
         "2024-03-07 09:05:03.012 \xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatLogLine(kTime, c.text), c.expected);
    }
}

TEST(LogFormat, ALongLineIsCutAtACharacterAndStillEnds) {
    // the crash path's fixed buffer: never written past, never a broken UTF-8 sequence
    char buffer[40];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    const size_t n = FormatLogLineTo(buffer, 32, kTime, L"\u7B7E\u7B7E\u7B7E");
    EXPECT_EQ(std::string(buffer, n), "2024-03-07 09:05:03.012 \xE7\xAD\xBE\xE7\xAD\xBE\r\n");
    EXPECT_EQ(buffer[32], '#');
}

TEST(LogFormat, RotatesOnlyWhenTheLineWouldPassTheCap) {
    EXPECT_FALSE(LogNeedsRotation(0, 10));
    EXPECT_FALSE(LogNeedsRotation(kLogCapBytes - 10, 10));
    EXPECT_TRUE(LogNeedsRotation(kLogCapBytes - 10, 11));
    // an overlong line in an empty file is written, not rotated away forever
    EXPECT_FALSE(LogNeedsRotation(0, kLogCapBytes * 2));
    EXPECT_EQ(LogFileName(0), L"Velmo.log");
    EXPECT_EQ(LogFileName(kLogFilesKept), L"Velmo.3.log");
}

TEST(CrashDumpFiles, KeepsTheNewestAndTouchesNothingElse) {
    EXPECT_EQ(std::wstring(CrashDumpName(kTime, 4294967295ul).data()), L"Velmo-20240307-090503Z-4294967295.dmp");
    // a name from before UTC names sorts among the new ones by its date
    std::vector<std::wstring> names = {L"notes.txt", L"Velmo-20240101-000000-9.dmp"};
    for (int day = 10; day >= 2; --day) // found in any order
        names.push_back(CrashDumpName({2024, 3, day, 0, 0, 0, 0}, 7).data());
    const std::vector<std::wstring> removed = CrashDumpsToRemove(names, 5);
    // ten dumps, the five newest stay
    ASSERT_EQ(removed.size(), 5u);
    EXPECT_EQ(removed.front(), L"Velmo-20240101-000000-9.dmp");
    EXPECT_EQ(removed.back(), CrashDumpName({2024, 3, 5, 0, 0, 0, 0}, 7).data());
    EXPECT_TRUE(CrashDumpsToRemove({L"Velmo-20240101-000000-9.dmp"}, 5).empty());
}

} // namespace
