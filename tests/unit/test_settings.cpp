#include "app/KioskSettings.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <optional>
#include <string>

namespace {

TEST(Settings, ProfileIntReadsNumbersAsTheSystemDoes) {
    struct {
        const wchar_t* raw;
        int expected;
    } cases[] = {
        {L"", -7},
        {L"5000", 5000},
        {L"  42", 42},
        {L"+42", 42},
        {L"-5", -5},
        {L"0x1388", 5000},
        {L"0o17", 15},
        {L"0b101", 5},
        {L"0X1F", 0},
        {L"12abc", 12},
        {L"5000 ; ms", 5000},
        {L"abc", 0},
        {L"2147483648", INT_MIN},
        {L"4294967296", 0},
        {L"-", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "raw \"" << std::string(c.raw, c.raw + wcslen(c.raw)) << "\"");
        EXPECT_EQ(ProfileInt(c.raw, -7), c.expected);
    }
}

TEST(Settings, IdleTimeFromSetting) {
    struct {
        const char* name;
        int raw, expected;
    } cases[] = {
        {"configured", 5000, 5000},          {"default value", 30000, 30000},    {"zero is unusable", 0, 30000},
        {"negative is unusable", -5, 30000}, {"too short is raised", 100, 1000}, {"one second", 1000, 1000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IdleTimeFromSetting(c.raw), c.expected) << c.name;
}

using Ini = std::map<std::wstring, std::wstring>; // "Section/Key" -> value

KioskSettings Parse(const Ini& ini, std::vector<std::wstring>& notes) {
    const SettingReader read = [&](const wchar_t* pszSection, const wchar_t* pszKey) {
        const auto it = ini.find(std::wstring(pszSection) + L"/" + pszKey);
        return it == ini.end() ? std::wstring() : it->second;
    };
    return ParseKioskSettings(read, L"KIOSK-7", notes);
}

// Every key with its default, its checks and what reaches the page, the
// history and the record keeper.
TEST(Settings, EveryKeyReachesItsPart) {
    struct {
        const char* name;
        Ini ini;
        int nIdleTime;
        std::wstring kioskFolder;
        int nKeepDays;
        size_t nNotes;
        int nDays = 0;
        std::optional<std::wstring> pin = std::nullopt;
        bool bLockdown = false;
    } cases[] = {
        {"missing file", {}, 30000, L"", 0, 0},
        {"sample file",
         {{L"Time/MinTime", L"30000"},
          {L"Share/Folder", L""},
          {L"Share/Kiosk", L""},
          {L"Records/KeepDays", L"0"},
          {L"History/Days", L"0"},
          {L"History/Pin", L""}},
         30000,
         L"",
         0,
         0},
        {"idle time", {{L"Time/MinTime", L"5000"}}, 5000, L"", 0, 0},
        {"idle time in hex", {{L"Time/MinTime", L"0x1388"}}, 5000, L"", 0, 0},
        {"idle time below a second", {{L"Time/MinTime", L"500"}}, 1000, L"", 0, 1},
        {"idle time zero", {{L"Time/MinTime", L"0"}}, 30000, L"", 0, 1},
        {"idle time not a number", {{L"Time/MinTime", L"soon"}}, 30000, L"", 0, 1},
        {"share and kiosk",
         {{L"Share/Folder", L"\\\\srv\\sign"}, {L"Share/Kiosk", L"Hall"}},
         30000,
         L"\\\\srv\\sign\\Hall",
         0,
         0},
        {"share without kiosk", {{L"Share/Folder", L"\\\\srv\\sign\\"}}, 30000, L"\\\\srv\\sign\\KIOSK-7", 0, 0},
        {"share that is not a path", {{L"Share/Folder", L"sign"}}, 30000, L"", 0, 1},
        {"retention", {{L"Records/KeepDays", L"30"}}, 30000, L"", 30, 0},
        {"negative retention", {{L"Records/KeepDays", L"-3"}}, 30000, L"", 0, 1},
        {"history of a week", {{L"History/Days", L"7"}}, 30000, L"", 0, 0, 7},
        {"history days left empty", {{L"History/Days", L" ; all"}}, 30000, L"", 0, 0, 0},
        {"history days below 0: today only", {{L"History/Days", L"-2"}}, 30000, L"", 0, 1, 1},
        {"history days not a number: today only", {{L"History/Days", L"week"}}, 30000, L"", 0, 1, 1},
        {"pin", {{L"History/Pin", L"0042"}}, 30000, L"", 0, 0, 0, L"0042"},
        {"pin with a comment", {{L"History/Pin", L"246810 ; front desk"}}, 30000, L"", 0, 0, 0, L"246810"},
        {"pin left empty: none asked", {{L"History/Pin", L""}}, 30000, L"", 0, 0, 0},
        {"pin too short: locked", {{L"History/Pin", L"735"}}, 30000, L"", 0, 1, 0, L""},
        {"pin too long: locked", {{L"History/Pin", L"7351735173517"}}, 30000, L"", 0, 1, 0, L""},
        {"pin not all digits: locked", {{L"History/Pin", L"73x1"}}, 30000, L"", 0, 1, 0, L""},
        {"locked down", {{L"Kiosk/Lockdown", L"1"}}, 30000, L"", 0, 0, 0, std::nullopt, true},
        {"not locked down", {{L"Kiosk/Lockdown", L"0"}}, 30000, L"", 0, 0, 0, std::nullopt, false},
        {"lock-down as a word", {{L"Kiosk/Lockdown", L"yes"}}, 30000, L"", 0, 1, 0, std::nullopt, false},
        {"lock-down neither 0 nor 1", {{L"Kiosk/Lockdown", L"2"}}, 30000, L"", 0, 1, 0, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::wstring> notes;
        const KioskSettings settings = Parse(c.ini, notes);
        EXPECT_EQ(settings.page.nIdleTime, c.nIdleTime);
        EXPECT_EQ(settings.share.kioskFolder, c.kioskFolder);
        EXPECT_EQ(settings.share.nKeepDays, c.nKeepDays);
        EXPECT_EQ(notes.size(), c.nNotes);
        EXPECT_EQ(settings.page.history.nDays, c.nDays);
        EXPECT_EQ(settings.page.history.pin, c.pin);
        // the log is read by more people than the PIN is for
        if (const auto it = c.ini.find(L"History/Pin"); it != c.ini.end() && !it->second.empty()) {
            for (const std::wstring& note : notes)
                EXPECT_EQ(note.find(it->second.substr(0, 3)), std::wstring::npos);
        }
        EXPECT_EQ(settings.page.bLockdown, c.bLockdown);
    }
}

} // namespace
