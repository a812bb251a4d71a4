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

std::vector<RecordFile> PendingRecords(std::vector<RecordFile> local, const std::vector<RecordFile>& shared) {
    std::set<std::pair<std::wstring, uint64_t>> there;
    for (const RecordFile& file : shared)
        there.emplace(FoldedName(file.name), file.size);
    std::erase_if(local, [&](const RecordFile& file) { return there.contains({FoldedName(file.name), file.size}); });
    std::sort(local.begin(), local.end(),
              [](const RecordFile& a, const RecordFile& b) { return CopyOrderLess(a.name, b.name); });
    return local;
}

std::wstring ShareTempName(unsigned long processId) {
    return L"~copying-" + std::to_wstring(processId) + L".tmp";
}

bool IsShareTempName(std::wstring_view name) {
    const std::wstring folded = FoldedName(name);
    return folded.starts_with(L"~copying-") && folded.ends_with(L".tmp");
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
