// What the [Share] and [Records] settings mean for the record keeper: values
// as operators write them, checked before any path is built from them.
// Needs nothing from the platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A value as Config.ini holds it: without a trailing "; comment", without
// the spaces around it and without surrounding quotes.
std::wstring SettingValue(std::wstring_view raw);
// A UNC path "\\server\share[\...]" or an absolute drive path "D:\...", with
// no character a file name may not have.
bool IsShareFolderPath(std::wstring_view folder);
// One folder name: not empty, not "." or "..", no \ / : * ? " < > | and no
// control characters, not ending in a dot or space.
bool IsKioskFolderName(std::wstring_view name);
// "<folder>\<kiosk>", whether or not folder ends in a backslash.
std::wstring KioskShareFolder(std::wstring_view folder, std::wstring_view kiosk);

struct ShareSettings {
    // "<Folder>\<Kiosk>", where every record is copied; empty: nothing is
    bool bShareWanted = false; // Folder was set, usable or not
    std::wstring folder;       // Folder itself, once checked: what the front desk reads
    std::wstring kioskFolder;
    std::wstring computerName; // names this kiosk's temporary copies on the share
    int nKeepDays = 0;         // 0: records are kept forever
};

// The settings from the values as Config.ini holds them. A Folder that is
// not a path is wanted but unusable: nothing is copied and retention keeps
// what the share was meant to have. An unusable Kiosk falls back to the
// computer name. Each value that could not be used adds a line to notes.
ShareSettings ParseShareSettings(std::wstring_view folderRaw, std::wstring_view kioskRaw, int nKeepDays,
                                 std::wstring_view computerName, std::vector<std::wstring>& notes);
