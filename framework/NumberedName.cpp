#include "framework/NumberedName.h"

namespace {

// Where the extension starts: the last dot, or the end.
size_t ExtensionStart(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring_view::npos ? name.size() : dot;
}

} // namespace

std::wstring NumberedName(std::wstring_view name, int n) {
    if (n <= 1)
        return std::wstring(name);
    const size_t stem = ExtensionStart(name);
    std::wstring numbered(name.substr(0, stem));
    numbered += L"(" + std::to_wstring(n) + L")";
    numbered += name.substr(stem);
    return numbered;
}

NameAndNumber SplitNumberedName(std::wstring_view name) {
    const size_t end = ExtensionStart(name);
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
