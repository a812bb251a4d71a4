#include "records/Retention.h"
#include "records/ShareRules.h"
#include "records/ShareSettings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::wstring NameOf(const RecordTime& t, int nCopy = 1) {
    return RecordFileName(t, nCopy).substr(std::wstring(kRecordFolder).size() + 1);
}

std::vector<std::wstring> Names(const std::vector<RecordFile>& files) {
    std::vector<std::wstring> names;
    for (const RecordFile& f : files)
        names.push_back(f.name);
    return names;
}

TEST(ShareRules, PendingIsWhatIsNotKnownCopiedFreeNamesFirst) {
    const std::wstring jan = NameOf({2024, 1, 5, 8, 0, 0});
    const std::wstring feb = NameOf({2024, 2, 1, 8, 0, 0});
    const std::wstring febCopy = NameOf({2024, 2, 1, 8, 0, 0}, 2);
    const std::wstring mar = NameOf({2024, 3, 7, 9, 5, 3});
    const std::wstring apr = NameOf({2024, 4, 1, 8, 0, 0});
    const std::vector<RecordFile> local = {{apr, 100}, {mar, 100}, {febCopy, 100}, {jan, 100}, {feb, 100}};
    // jan's bytes were found on the share; a name there proves nothing by itself
    const std::set<std::wstring> known = {FoldedName(jan)};
    const std::set<std::wstring> shareNames = {FoldedName(jan), FoldedName(feb), FoldedName(apr)};
    // a name the share lacks needs only a copy, so it goes before the comparisons
    EXPECT_EQ(Names(PendingRecords(local, known, shareNames)), (std::vector<std::wstring>{febCopy, mar, feb, apr}));
    EXPECT_EQ(Names(PendingRecords(local, {FoldedName(L"X")}, {})),
              (std::vector<std::wstring>{jan, feb, febCopy, mar, apr}));
    // names compare without letter case, as on Windows
    EXPECT_TRUE(PendingRecords({{L"x.BMP", 7}}, {L"x.bmp"}, {}).empty());
    EXPECT_TRUE(CopyOrderLess(NameOf({2024, 2, 1, 8, 0, 0}, 2), NameOf({2024, 2, 1, 8, 0, 0}, 10)));
    EXPECT_FALSE(CopyOrderLess(febCopy, feb));
}

TEST(ShareRules, TemporaryCopiesAreNeverListedAndOnlyOurOwnAreCleanedUp) {
    const std::wstring name = NameOf({2024, 3, 7, 9, 5, 3});
    const std::wstring mine = ShareTempName(L"KIOSK-1", 4711);
    EXPECT_TRUE(IsShareTempName(mine));
    EXPECT_FALSE(IsShareTempName(name));
    EXPECT_EQ(mine.find(L".bmp"), std::wstring::npos); // never listed as a record
    const struct {
        std::wstring name;
        bool bOwn;
    } cases[] = {
        {mine, true},
        {ShareTempName(L"kiosk-1", 99), true}, // an earlier process of this kiosk
        {ShareTempName(L"KIOSK-1-2", 4711), false},
        {ShareTempName(L"KIOSK-2", 4711), false},
        {ShareTempName(L"KIOSK", 4711), false},
        {L"~copying-4711.tmp", false},
        {L"~copying-KIOSK-1-.tmp", false},
        {name, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsOwnShareTempName(c.name, L"KIOSK-1"), c.bOwn);
    }
}

TEST(ShareRules, RetryPauseDoublesFromOneSecondToFiveMinutes) {
    const struct {
        int failures;
        unsigned ms;
    } cases[] = {{0, 1000}, {1, 1000}, {2, 2000}, {3, 4000}, {9, 256000}, {10, 300000}, {11, 300000}, {100000, 300000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failures);
        EXPECT_EQ(RetryDelayMs(c.failures), c.ms);
    }
}

TEST(ShareRules, SettingsAreReadAsOperatorsWriteThem) {
    EXPECT_EQ(SettingValue(L"\\\\server\\share\\velmo   ; empty: no sharing"), L"\\\\server\\share\\velmo");
    EXPECT_EQ(SettingValue(L"  \"D:\\Kiosk records\"  "), L"D:\\Kiosk records");
    EXPECT_EQ(SettingValue(L"; all comment"), L"");
    EXPECT_EQ(SettingValue(L"\\\\server\\a;b"), L"\\\\server\\a;b"); // a ';' inside a name stays

    const struct {
        const wchar_t* folder;
        bool ok;
    } folders[] = {
        {L"\\\\server\\share\\velmo", true},
        {L"\\\\server\\share\\velmo\\", true},
        {L"D:\\Records", true},
        {L"", false},
        {L"velmo", false},
        {L"C:records", false},
        {L"\\\\server", false},
        {L"\\\\\\share", false},
        {L"\\\\server\\share\\\\velmo", false},
        {L"\\\\server\\share\\ve*lmo", false},
        {L"\\\\?\\C:\\velmo", false},
    };
    for (const auto& c : folders) {
        SCOPED_TRACE(std::wstring(c.folder));
        EXPECT_EQ(IsShareFolderPath(c.folder), c.ok);
    }
    for (const wchar_t* good : {L"Entrance-A", L"KIOSK 2", L"Empfang.Süd"})
        EXPECT_TRUE(IsKioskFolderName(good));
    for (const wchar_t* bad : {L"", L".", L"..", L"a\\b", L"a/b", L"a:b", L"x.", L"x ", L"CON", L"com1.txt", L"lpt9"})
        EXPECT_FALSE(IsKioskFolderName(bad));
    EXPECT_EQ(KioskShareFolder(L"\\\\s\\share\\velmo\\", L"Entrance-A"), L"\\\\s\\share\\velmo\\Entrance-A");

    // what the keeper is given, and what the log is told about values it cannot use
    std::vector<std::wstring> notes;
    ShareSettings s = ParseShareSettings(L"\\\\s\\share ; comment", L"a:b", -3, L"PC-7", notes);
    EXPECT_TRUE(s.bShareWanted);
    EXPECT_EQ(s.kioskFolder, L"\\\\s\\share\\PC-7");
    EXPECT_EQ(s.folder, L"\\\\s\\share");
    EXPECT_EQ(s.computerName, L"PC-7");
    EXPECT_EQ(s.nKeepDays, 0);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find(L"Kiosk=a:b"), std::wstring::npos);
    notes.clear();
    s = ParseShareSettings(L"velmo", L"Entrance-A", 30, L"PC-7", notes);
    EXPECT_TRUE(s.bShareWanted); // retention still waits for the share it was meant to have
    EXPECT_TRUE(s.kioskFolder.empty());
    EXPECT_TRUE(s.folder.empty());
    EXPECT_EQ(s.nKeepDays, 30);
    EXPECT_EQ(notes.size(), 1u);
    notes.clear();
    s = ParseShareSettings(L"", L"", 0, L"PC-7", notes);
    EXPECT_FALSE(s.bShareWanted);
    EXPECT_TRUE(notes.empty());
}

TEST(Retention, SignInTimeFromTheName) {
    const RecordTime t{2024, 3, 7, 9, 5, 3};
    for (const std::wstring& name : {NameOf(t), NameOf(t, 2)}) {
        const std::optional<RecordTime> got = RecordTimeFromName(name);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(CalendarSeconds(*got), CalendarSeconds(t));
    }
    for (const wchar_t* other : {L"photo.bmp", L"2024年13月07日09时05分03秒.bmp", L"2024年03月07日09时05分.bmp",
                                 L"2024年3月07日09时05分03秒.bmp", L"年03月07日09时05分03秒.bmp"}) {
        SCOPED_TRACE(std::wstring(other));
        EXPECT_FALSE(RecordTimeFromName(other).has_value());
    }
}

TEST(Retention, OlderThanKeepDaysAcrossMonthsAndLeapYears) {
    EXPECT_EQ(CalendarSeconds({1970, 1, 1, 0, 0, 0}), 0);
    EXPECT_EQ(CalendarSeconds({2024, 3, 1, 0, 0, 0}) - CalendarSeconds({2024, 2, 28, 0, 0, 0}), 2 * 86400);
    const RecordTime now{2025, 1, 10, 12, 0, 0};
    const struct {
        RecordTime signedIn;
        int keepDays;
        bool past;
    } cases[] = {
        {{2024, 12, 11, 12, 0, 0}, 30, false}, // exactly 30 days
        {{2024, 12, 11, 11, 59, 59}, 30, true},
        {{2024, 12, 1, 0, 0, 0}, 30, true},    // 40 days
        {{2024, 12, 31, 12, 0, 0}, 30, false}, // 10 days
        {{2000, 1, 1, 0, 0, 0}, 0, false},     // 0: kept forever
        {{2000, 1, 1, 0, 0, 0}, -5, false},
        {{2030, 1, 1, 0, 0, 0}, 1, false}, // from the future: the clock was wrong, not the record
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(CalendarSeconds(c.signedIn));
        EXPECT_EQ(IsPastRetention(c.signedIn, now, c.keepDays), c.past);
    }
}

TEST(Retention, SkipsWhileTheCalendarClockRunsAheadOfTimePassing) {
    constexpr int64_t kHour = 3600 * 1000, kDay = 24 * kHour;
    const int64_t wall0 = int64_t{1'700'000'000'000}, steady0 = 5 * kHour;
    const struct {
        const char* name;
        int64_t wall, steady;
        bool bMayRun;
    } cases[] = {
        {"an hour later by both clocks", wall0 + kHour, steady0 + kHour, true},
        {"a day's jump within the hour", wall0 + kHour + kDay, steady0 + kHour, true},
        {"a year ahead (a dead clock battery, a bad time sync)", wall0 + 365 * kDay, steady0 + kHour, false},
        {"just over a day ahead", wall0 + kDay + kHour + 1, steady0 + kHour, false},
        {"set back: no record looks older for it", wall0 - 30 * kDay, steady0 + kHour, true},
        {"two days asleep: both clocks moved", wall0 + 2 * kDay, steady0 + 2 * kDay, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRetentionClock clock;
        EXPECT_TRUE(clock.MayRun(c.wall, c.steady)); // no run yet: nothing to measure by
        clock.Ran(wall0, steady0);
        EXPECT_EQ(clock.MayRun(c.wall, c.steady), c.bMayRun);
    }
    // skipped runs keep the last real run as the reference: the jump is not forgotten an hour later
    CRetentionClock clock;
    clock.Ran(wall0, steady0);
    EXPECT_FALSE(clock.MayRun(wall0 + 365 * kDay, steady0 + kHour));
    EXPECT_FALSE(clock.MayRun(wall0 + 365 * kDay + kHour, steady0 + 2 * kHour));
    // the clock set right again: runs resume
    EXPECT_TRUE(clock.MayRun(wall0 + 3 * kHour, steady0 + 3 * kHour));
}

} // namespace
