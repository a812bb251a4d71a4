#include "records/ShareRules.h"

#include "records/RecordName.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

// "X(3).bmp" -> ("X.bmp", 3); a name without a copy number is copy 1.
std::pair<std::wstring, int> SplitCopyNumber(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    const size_t end = dot == std::wstring_view::npos ? name.size() : dot;
    if (end < 3 || name[end - 1] != L')')
        return {std::wstring(name), 1};
    const size_t open = name.rfind(L'(', end - 1);
    if (open == std::wstring_view::npos || open + 2 >= end || end - open > 8)
        return {std::wstring(name), 1};
    int n = 0;
    for (size_t i = open + 1; i + 1 < end; ++i) {
        if (name[i] < L'0' || name[i] > L'9')
            return {std::wstring(name), 1};
        n = n * 10 + (name[i] - L'0');
    }
    return {std::wstring(name.substr(0, open)) + std::wstring(name.substr(end)), n};
}

} // namespace

bool CopyOrderLess(std::wstring_view a, std::wstring_view b) {
    const auto [stemA, nA] = SplitCopyNumber(a);
    const auto [stemB, nB] = SplitCopyNumber(b);
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

std::wstring ShareCopyName(std::wstring_view name, int n) {
    if (n <= 1)
        return std::wstring(name);
    const size_t dot = name.rfind(L'.');
    const size_t stem = dot == std::wstring_view::npos ? name.size() : dot;
    std::wstring copy(name.substr(0, stem));
    copy += L"(" + std::to_wstring(n) + L")";
    copy += name.substr(stem);
    return copy;
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
