#include "CrashDumpFiles.h"

#include <algorithm>
#include <cwchar>

namespace {

bool IsCrashDumpName(const std::wstring& name) {
    const std::wstring_view prefix = L"Velmo-", suffix = L".dmp";
    return name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

std::wstring CrashDumpName(const LogTime& t, unsigned long pid) {
    wchar_t szName[64];
    std::swprintf(szName, 64, L"Velmo-%04d%02d%02d-%02d%02d%02d-%lu.dmp", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, pid);
    return szName;
}

std::vector<std::wstring> CrashDumpsToRemove(std::vector<std::wstring> names, size_t nKeep) {
    std::erase_if(names, [](const std::wstring& name) { return !IsCrashDumpName(name); });
    std::sort(names.begin(), names.end());
    const size_t nStay = nKeep > 0 ? nKeep - 1 : 0;
    if (names.size() <= nStay)
        return {};
    names.resize(names.size() - nStay);
    return names;
}
