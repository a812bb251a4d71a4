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

CrashDumpNameText CrashDumpName(const LogTime& utc, unsigned long pid) {
    CrashDumpNameText name{};
    std::swprintf(name.data(), name.size(), L"Velmo-%04d%02d%02d-%02d%02d%02dZ-%lu.dmp", utc.year, utc.month, utc.day,
                  utc.hour, utc.minute, utc.second, pid);
    return name;
}

std::vector<std::wstring> CrashDumpsToRemove(std::vector<std::wstring> names, size_t nKeep) {
    std::erase_if(names, [](const std::wstring& name) { return !IsCrashDumpName(name); });
    std::sort(names.begin(), names.end());
    if (names.size() <= nKeep)
        return {};
    names.resize(names.size() - nKeep);
    return names;
}
