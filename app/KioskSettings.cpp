#include "app/KioskSettings.h"

#include <cstdint>

#include "history/PinEntry.h"

int ProfileInt(std::wstring_view raw, int nDefault) {
    if (raw.empty())
        return nDefault;
    size_t i = 0;
    while (i < raw.size() && raw[i] <= L' ')
        ++i;
    bool bMinus = false;
    if (i < raw.size() && (raw[i] == L'+' || raw[i] == L'-'))
        bMinus = raw[i++] == L'-';
    uint32_t base = 10;
    if (i + 1 < raw.size() && raw[i] == L'0') {
        const wchar_t prefix = raw[i + 1];
        base = prefix == L'x' ? 16 : prefix == L'o' ? 8 : prefix == L'b' ? 2 : 10;
        if (base != 10)
            i += 2;
    }
    uint32_t total = 0;
    for (; i < raw.size(); ++i) {
        const wchar_t c = raw[i];
        const uint32_t digit = c >= L'0' && c <= L'9'   ? c - L'0'
                               : c >= L'a' && c <= L'z' ? c - L'a' + 10
                               : c >= L'A' && c <= L'Z' ? c - L'A' + 10
                                                        : 36;
        if (digit >= base)
            break;
        total = total * base + digit; // wraps, as the system's reading does
    }
    return static_cast<int>(bMinus ? 0u - total : total);
}

int IdleTimeFromSetting(int nMinTime) {
    if (nMinTime <= 0)
        return kDefaultIdleTime;
    return nMinTime < kMinimumIdleTime ? kMinimumIdleTime : nMinTime;
}

namespace {

int ReadIdleTime(const std::wstring& raw, std::vector<std::wstring>& notes) {
    const int nMinTime = ProfileInt(raw, kDefaultIdleTime);
    const int nIdleTime = IdleTimeFromSetting(nMinTime);
    if (nIdleTime != nMinTime)
        notes.push_back(L"Time: MinTime=" + raw + L" in Config.ini is not usable; using " + std::to_wstring(nIdleTime) +
                        L" ms");
    return nIdleTime;
}

int ReadKeepDays(const std::wstring& raw, std::vector<std::wstring>& notes) {
    const int nKeepDays = ProfileInt(raw, 0);
    if (nKeepDays < 0)
        notes.push_back(L"Records: KeepDays=" + raw + L" in Config.ini is below 0; records are kept forever");
    return nKeepDays;
}

// On for 1 only. Anything but 0 or 1 ("yes", 2) is unusable and leaves the
// kiosk as a missing key does: unlocked.
bool ReadLockdown(const std::wstring& raw, std::vector<std::wstring>& notes) {
    const int nValue = ProfileInt(raw, 0);
    const size_t digit = raw.find_first_not_of(L" \t+-");
    // "off" reads as 0 too, but only a written 0 means it
    const bool bZero = nValue == 0 && digit != std::wstring::npos && raw[digit] == L'0';
    if (!raw.empty() && nValue != 1 && !bZero)
        notes.push_back(L"Kiosk: Lockdown=" + raw + L" in Config.ini is neither 0 nor 1; the kiosk is not locked down");
    return nValue == 1;
}

// Leading blanks and a sign, then a digit: a number at all.
bool HasNumber(std::wstring_view raw) {
    size_t i = raw.find_first_not_of(L" \t");
    if (i != std::wstring_view::npos && (raw[i] == L'+' || raw[i] == L'-'))
        ++i;
    return i < raw.size() && raw[i] >= L'0' && raw[i] <= L'9';
}

// Days is meant to narrow what the history shows: a value that cannot be
// read narrows it most, to today, rather than showing every record.
int ReadHistoryDays(const std::wstring& raw, std::vector<std::wstring>& notes) {
    const int nDays = ProfileInt(raw, 0);
    if (SettingValue(raw).empty() || (HasNumber(raw) && nDays >= 0))
        return nDays;
    notes.push_back(L"History: Days=" + raw +
                    L" in Config.ini is not a whole number of days; only today's records are shown");
    return 1;
}

// The value is never logged: the log is read by more people than the PIN is for.
std::optional<std::wstring> ReadHistoryPin(const std::wstring& raw, std::vector<std::wstring>& notes) {
    const std::wstring pin = SettingValue(raw);
    if (pin.empty())
        return std::nullopt;
    if (IsUsablePin(pin))
        return pin;
    notes.push_back(L"History: Pin in Config.ini is not " + std::to_wstring(kMinPinDigits) + L" to " +
                    std::to_wstring(kMaxPinDigits) + L" digits; no PIN opens the history until it is");
    return std::wstring();
}

} // namespace

KioskSettings ParseKioskSettings(const SettingReader& read, std::wstring_view computerName,
                                 std::vector<std::wstring>& notes) {
    KioskSettings settings;
    settings.page.nIdleTime = ReadIdleTime(read(L"Time", L"MinTime"), notes);
    settings.page.bLockdown = ReadLockdown(read(L"Kiosk", L"Lockdown"), notes);
    settings.page.history.nDays = ReadHistoryDays(read(L"History", L"Days"), notes);
    settings.page.history.pin = ReadHistoryPin(read(L"History", L"Pin"), notes);
    settings.share = ParseShareSettings(read(L"Share", L"Folder"), read(L"Share", L"Kiosk"),
                                        ReadKeepDays(read(L"Records", L"KeepDays"), notes), computerName, notes);
    return settings;
}
