#include "desk/DeskSettings.h"

#include <windows.h>

#include <vector>

#include "app/KioskSettings.h"
#include "framework/Log.h"

std::wstring ReadDeskShareFolder(std::wstring& reason) {
    // the kiosks' own reading of the same file; the desk takes its share part
    const std::wstring ini = ProgramFolder() + L"Config.ini";
    const SettingReader read = [&](const wchar_t* pszSection, const wchar_t* pszKey) {
        wchar_t szValue[1024] = L"";
        ::GetPrivateProfileStringW(pszSection, pszKey, L"", szValue, ARRAYSIZE(szValue), ini.c_str());
        return std::wstring(szValue);
    };
    std::vector<std::wstring> notes; // of the kiosk's keys: not the desk's concern
    const ShareSettings share = ParseKioskSettings(read, L"desk", notes).share;
    if (!share.bShareWanted)
        reason = L"No share folder is set: [Share] Folder in " + ini;
    else if (share.folder.empty())
        reason = L"[Share] Folder=" + SettingValue(read(L"Share", L"Folder")) + L" in " + ini +
                 L" is not a path such as \\\\server\\share\\velmo";
    return share.folder;
}
