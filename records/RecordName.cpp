#include "RecordName.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "framework/NumberedName.h"

namespace {

uint32_t CodeUnit(wchar_t c) {
    return static_cast<uint32_t>(c);
}

uint32_t FoldedUnit(wchar_t c) {
    const uint32_t u = CodeUnit(c);
    return (u >= 'a' && u <= 'z') ? u - ('a' - 'A') : u;
}

} // namespace

std::wstring RecordFileName(const RecordTime& t, int nCopy) {
    wchar_t szName[96];
    std::swprintf(szName, 96, L"%ls\\%d\u5e74%02d\u6708%02d\u65e5%02d\u65f6%02d\u5206%02d\u79d2", kRecordFolder, t.year,
                  t.month, t.day, t.hour, t.minute, t.second);
    return NumberedName(std::wstring(szName) + L".bmp", nCopy);
}

std::wstring RecordTempFileName(unsigned long processId) {
    return std::wstring(kRecordFolder) + L"\\~saving-" + std::to_wstring(processId) + L".tmp";
}

bool IsRecordName(std::wstring_view name) {
    return name.find(L".bmp") != std::wstring_view::npos || name.find(L".BMP") != std::wstring_view::npos;
}

bool IsDotEntry(std::wstring_view name) {
    return name == L"." || name == L"..";
}

bool RecordNameLess(std::wstring_view a, std::wstring_view b) {
    const size_t n = std::min(a.size(), b.size());
    // Records share a long date prefix; identical units need no folding.
    size_t first = 0;
    while (first < n && a[first] == b[first])
        ++first;
    for (size_t i = first; i < n; ++i) {
        const uint32_t fa = FoldedUnit(a[i]);
        const uint32_t fb = FoldedUnit(b[i]);
        if (fa != fb)
            return fa < fb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return first < n && CodeUnit(a[first]) < CodeUnit(b[first]);
}

void SortRecordNames(std::vector<std::wstring>& names) {
    const auto less = [](const std::wstring& a, const std::wstring& b) { return RecordNameLess(a, b); };
    // NTFS already lists in this order; the check saves the sort there.
    if (!std::is_sorted(names.begin(), names.end(), less))
        std::sort(names.begin(), names.end(), less);
}
