#include "records/ShareSettings.h"

#include "records/ShareRules.h"

#include <algorithm>

namespace {

bool IsSpace(wchar_t c) {
    return c == L' ' || c == L'\t';
}

bool IsForbiddenInName(wchar_t c) {
    return c < 32 || std::wstring_view(L"<>\"|?*").find(c) != std::wstring_view::npos;
}

// One component of a path: the kiosk folder, a server or a share name.
bool IsPlainName(std::wstring_view name) {
    if (name.empty() || name == L"." || name == L"..")
        return false;
    for (wchar_t c : name) {
        if (IsForbiddenInName(c) || c == L'\\' || c == L'/' || c == L':')
            return false;
    }
    return true;
}

bool IsReservedDeviceName(std::wstring_view name) {
    const std::wstring base = FoldedName(name.substr(0, name.find(L'.')));
    static const wchar_t* const kDevices[] = {L"con", L"prn", L"aux", L"nul"};
    for (const wchar_t* device : kDevices) {
        if (base == device)
            return true;
    }
    return base.size() == 4 && (base.starts_with(L"com") || base.starts_with(L"lpt")) && base[3] >= L'1' &&
           base[3] <= L'9';
}

} // namespace

std::wstring SettingValue(std::wstring_view raw) {
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == L';' && (i == 0 || IsSpace(raw[i - 1]))) {
            raw = raw.substr(0, i);
            break;
        }
    }
    while (!raw.empty() && IsSpace(raw.front()))
        raw.remove_prefix(1);
    while (!raw.empty() && IsSpace(raw.back()))
        raw.remove_suffix(1);
    if (raw.size() >= 2 && raw.front() == L'"' && raw.back() == L'"')
        raw = raw.substr(1, raw.size() - 2);
    return std::wstring(raw);
}

bool IsShareFolderPath(std::wstring_view folder) {
    std::wstring_view rest;
    if (folder.starts_with(L"\\\\")) {
        // the server and the share must both be named
        rest = folder.substr(2);
        const size_t slash = rest.find(L'\\');
        if (slash == std::wstring_view::npos || !IsPlainName(rest.substr(0, slash)))
            return false;
        rest.remove_prefix(slash + 1);
        const size_t end = rest.find(L'\\');
        if (!IsPlainName(rest.substr(0, end)))
            return false;
        rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);
    } else if (folder.size() >= 3 && folder[1] == L':' && folder[2] == L'\\' &&
               ((folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z'))) {
        rest = folder.substr(3);
    } else {
        return false;
    }
    // the folders below: plain names, one trailing backslash allowed
    while (!rest.empty()) {
        const size_t end = rest.find(L'\\');
        if (!IsPlainName(rest.substr(0, end)))
            return false;
        if (end == std::wstring_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return true;
}

bool IsKioskFolderName(std::wstring_view name) {
    return IsPlainName(name) && name.back() != L'.' && name.back() != L' ' && !IsReservedDeviceName(name);
}

std::wstring KioskShareFolder(std::wstring_view folder, std::wstring_view kiosk) {
    std::wstring path(folder);
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path + L"\\" + std::wstring(kiosk);
}

ShareSettings ParseShareSettings(std::wstring_view folderRaw, std::wstring_view kioskRaw, int nKeepDays,
                                 std::wstring_view computerName, std::vector<std::wstring>& notes) {
    ShareSettings settings;
    settings.nKeepDays = std::max(nKeepDays, 0);
    settings.computerName = computerName;
    const std::wstring folder = SettingValue(folderRaw);
    settings.bShareWanted = !folder.empty();
    if (!settings.bShareWanted)
        return settings;
    if (!IsShareFolderPath(folder)) {
        // retention still keeps every record the share was meant to have
        notes.push_back(L"Share: Folder=" + folder +
                        L" in Config.ini is not a path such as \\\\server\\share\\velmo; records are not copied");
        return settings;
    }
    settings.folder = folder;
    std::wstring kiosk = SettingValue(kioskRaw);
    if (kiosk.empty() || !IsKioskFolderName(kiosk)) {
        if (!kiosk.empty())
            notes.push_back(L"Share: Kiosk=" + kiosk +
                            L" in Config.ini cannot be a folder name; using the computer name " +
                            std::wstring(computerName));
        kiosk = computerName;
    }
    settings.kioskFolder = KioskShareFolder(folder, kiosk);
    return settings;
}
