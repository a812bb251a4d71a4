#include "records/ShareQueue.h"

#include "records/RecordName.h"

#include <algorithm>
#include <set>
#include <utility>

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

std::wstring FoldedName(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return folded;
}
