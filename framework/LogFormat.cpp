#include "LogFormat.h"

#include <cstdio>

namespace {

constexpr size_t kStampBytes = 24; // "2024-03-07 09:05:03.120 "

size_t EncodeUtf8(char32_t c, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool BreaksLine(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

bool IsBidiControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The character at text[i] as it goes into the log; i moves past a surrogate pair.
char32_t NextLogChar(std::wstring_view text, size_t& i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(static_cast<char32_t>(text[i + 1])))
        return 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
    if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF || IsBidiControl(c))
        return 0xFFFD; // a broken or reordering name must not break the line
    if (BreaksLine(c))
        return U' ';
    return c;
}

} // namespace

size_t FormatLogLineTo(char* out, size_t cap, const LogTime& t, std::wstring_view text) {
    char stamp[kStampBytes + 16];
    const int nStamp = std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02d %02d:%02d:%02d.%03d ", t.year, t.month,
                                     t.day, t.hour, t.minute, t.second, t.millisecond);
    size_t n = 0;
    for (int k = 0; k < nStamp && n + 2 < cap; ++k)
        out[n++] = stamp[k];
    for (size_t i = 0; i < text.size(); ++i) {
        char bytes[4];
        const size_t nBytes = EncodeUtf8(NextLogChar(text, i), bytes);
        if (n + nBytes + 2 > cap)
            break; // cut, not lost: the rest of the line still ends it
        for (size_t k = 0; k < nBytes; ++k)
            out[n++] = bytes[k];
    }
    out[n++] = '\r'; // Notepad on older Windows shows nothing else as a line break
    out[n++] = '\n';
    return n;
}

std::string FormatLogLine(const LogTime& t, std::wstring_view text) {
    std::string line(kStampBytes + 16 + text.size() * 4 + 2, '\0');
    line.resize(FormatLogLineTo(line.data(), line.size(), t, text));
    return line;
}

bool LogNeedsRotation(uint64_t sizeNow, uint64_t lineBytes) {
    return sizeNow > 0 && sizeNow + lineBytes > kLogCapBytes;
}

std::wstring LogFileName(int nOlder) {
    if (nOlder <= 0)
        return L"Velmo.log";
    return L"Velmo." + std::to_wstring(nOlder) + L".log";
}
