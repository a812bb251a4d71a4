#include "desk/DeskSettings.h"

#include <windows.h>

#include "framework/Log.h"
#include "records/ShareSettings.h"

std::wstring ReadDeskShareFolder(std::wstring& reason) {
    const std::wstring ini = ProgramFolder() + L"Config.ini";
    wchar_t szValue[1024] = L"";
    ::GetPrivateProfileStringW(L"Share", L"Folder", L"", szValue, ARRAYSIZE(szValue), ini.c_str());
    std::wstring folder = SettingValue(szValue);
    if (folder.empty()) {
        reason = L"No share folder is set: [Share] Folder in " + ini;
        return {};
    }
    if (!IsShareFolderPath(folder)) {
        reason = L"[Share] Folder=" + folder + L" in " + ini + L" is not a path such as \\\\server\\share\\velmo";
        return {};
    }
    while (folder.size() > 3 && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}
