#include "StartRequest.h"

#include <cwctype>

namespace {

bool SameSwitch(std::wstring_view token, std::wstring_view name) {
    if (token.size() != name.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (static_cast<wchar_t>(std::towlower(token[i])) != name[i])
            return false;
    return true;
}

// The command line past the program's path, which may be quoted and hold spaces.
std::wstring_view Arguments(std::wstring_view line) {
    size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        const size_t close = line.find(L'"', 1);
        at = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        at = line.find_first_of(L" \t");
    }
    return at == std::wstring_view::npos ? std::wstring_view{} : line.substr(at);
}

// "1a4" as a number; 0 for anything that is not hex digits alone.
uint64_t ParseHex(std::wstring_view text) {
    uint64_t value = 0;
    if (text.empty() || text.size() > 16)
        return 0;
    for (wchar_t c : text) {
        const int digit = c >= L'0' && c <= L'9'   ? c - L'0'
                          : c >= L'a' && c <= L'f' ? c - L'a' + 10
                          : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                                   : -1;
        if (digit < 0)
            return 0;
        value = value * 16 + static_cast<uint64_t>(digit);
    }
    return value;
}

} // namespace

StartRequest ParseStartRequest(std::wstring_view commandLine) {
    StartRequest request;
    std::wstring_view rest = Arguments(commandLine);
    while (!rest.empty()) {
        const size_t start = rest.find_first_not_of(L" \t");
        if (start == std::wstring_view::npos)
            break;
        rest.remove_prefix(start);
        const size_t end = rest.find_first_of(L" \t");
        const std::wstring_view token = rest.substr(0, end);
        rest = end == std::wstring_view::npos ? std::wstring_view{} : rest.substr(end);
        const size_t colon = token.find(L':');
        const std::wstring_view name = token.substr(0, colon);
        if (SameSwitch(name, L"/stop") && colon == std::wstring_view::npos) {
            request.bStop = true;
        } else if (SameSwitch(name, L"/restarted")) {
            request.bRestarted = true;
            if (colon != std::wstring_view::npos)
                request.predecessor = ParseHex(token.substr(colon + 1));
        }
    }
    return request;
}

bool StartsAgain(bool bWasRestart, uint64_t msRunning) {
    return !bWasRestart || msRunning >= kRestartLoopMs;
}
