#include "app/KioskSettings.h"

#include <cstdint>

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

// Only a plain 0 or 1 is taken: a kiosk whose screen goes dark by a typing
// slip looks broken, so anything else keeps the display on.
bool ReadKeepDisplayOn(const std::wstring& raw, std::vector<std::wstring>& notes) {
    const size_t first = raw.find_first_not_of(L" \t");
    const std::wstring value =
        first == std::wstring::npos ? L"" : raw.substr(first, raw.find_last_not_of(L" \t") - first + 1);
    if (value == L"0")
        return false;
    if (!value.empty() && value != L"1")
        notes.push_back(L"Power: KeepDisplayOn=" + raw + L" in Config.ini is neither 0 nor 1; the display is kept on");
    return true;
}

} // namespace

KioskSettings ParseKioskSettings(const SettingReader& read, std::wstring_view computerName,
                                 std::vector<std::wstring>& notes) {
    KioskSettings settings;
    settings.page.nIdleTime = ReadIdleTime(read(L"Time", L"MinTime"), notes);
    settings.share = ParseShareSettings(read(L"Share", L"Folder"), read(L"Share", L"Kiosk"),
                                        ReadKeepDays(read(L"Records", L"KeepDays"), notes), computerName, notes);
    settings.bKeepDisplayOn = ReadKeepDisplayOn(read(L"Power", L"KeepDisplayOn"), notes);
    return settings;
}
