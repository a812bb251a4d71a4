#include "records/ShareRules.h"

#include "framework/NumberedName.h"
#include "records/RecordName.h"

#include <algorithm>
#include <set>
#include <utility>

bool CopyOrderLess(std::wstring_view a, std::wstring_view b) {
    const auto [stemA, nA] = SplitNumberedName(a);
    const auto [stemB, nB] = SplitNumberedName(b);
    if (RecordNameLess(stemA, stemB))
        return true;
    if (RecordNameLess(stemB, stemA))
        return false;
    return nA != nB ? nA < nB : RecordNameLess(a, b);
}

std::vector<RecordFile> PendingRecords(std::vector<RecordFile> local, const std::set<std::wstring>& known,
                                       const std::set<std::wstring>& shareNames) {
    std::erase_if(local, [&](const RecordFile& file) { return known.contains(FoldedName(file.name)); });
    const auto taken = [&](const RecordFile& file) { return shareNames.contains(FoldedName(file.name)); };
    std::sort(local.begin(), local.end(), [&](const RecordFile& a, const RecordFile& b) {
        if (taken(a) != taken(b))
            return !taken(a);
        return CopyOrderLess(a.name, b.name);
    });
    return local;
}

namespace {
constexpr std::wstring_view kShareTempPrefix = L"~copying-";
constexpr std::wstring_view kShareTempSuffix = L".tmp";
} // namespace

std::wstring ShareTempName(std::wstring_view computerName, unsigned long processId) {
    return std::wstring(kShareTempPrefix) + std::wstring(computerName) + L"-" + std::to_wstring(processId) +
           std::wstring(kShareTempSuffix);
}

bool IsShareTempName(std::wstring_view name) {
    const std::wstring folded = FoldedName(name);
    return folded.starts_with(kShareTempPrefix) && folded.ends_with(kShareTempSuffix);
}

bool IsOwnShareTempName(std::wstring_view name, std::wstring_view computerName) {
    const std::wstring own = FoldedName(std::wstring(kShareTempPrefix) + std::wstring(computerName) + L"-");
    const std::wstring folded = FoldedName(name);
    if (!IsShareTempName(name) || !folded.starts_with(own))
        return false;
    // the process id, and nothing else, between the name and the suffix
    const std::wstring_view id = std::wstring_view(folded).substr(own.size(), folded.size() - own.size() - 4);
    return !id.empty() && std::all_of(id.begin(), id.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

unsigned RetryDelayMs(int failures) {
    unsigned delay = kFirstRetryMs;
    for (int i = 1; i < failures && delay < kLastRetryMs; ++i)
        delay *= 2;
    return std::min(delay, kLastRetryMs);
}

std::wstring FoldedName(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return folded;
}
