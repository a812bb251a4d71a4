// The kiosk's settings: Config.ini read once at start-up into one value whose
// parts are handed down (the page and the history their idle time, the record
// keeper its share and retention part). Parsing, defaults and checks need
// nothing from the platform or the kiosk's classes: the caller reads the raw
// values, so another program can read the same kind of file.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "records/ShareSettings.h"
#include "shell/PageSettings.h"

struct KioskSettings {
    PageSettings page;
    ShareSettings share; // [Share] Folder, Kiosk and [Records] KeepDays
};

// One value as the file holds it; "" when the file, section or key is missing.
using SettingReader = std::function<std::wstring(const wchar_t* pszSection, const wchar_t* pszKey)>;

// A number as the profile functions read one: leading blanks, a sign, a 0x,
// 0o or 0b prefix, then digits up to the first that does not belong, in 32
// bits that wrap; "" and values without digits give nDefault and 0.
int ProfileInt(std::wstring_view raw, int nDefault);

// MinTime as read: zero or below means the setting is unusable and the
// default holds; below one second is raised to one second, so an untouched
// page can still be used and the history's shorter timer stays positive.
int IdleTimeFromSetting(int nMinTime);

// Every key, with its default and its checks. Each value that could not be
// used as written adds a line to notes.
KioskSettings ParseKioskSettings(const SettingReader& read, std::wstring_view computerName,
                                 std::vector<std::wstring>& notes);
