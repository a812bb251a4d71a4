// The operator's log apart from the file system: how a line reads, when the
// file is rotated, and what the files are called.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct LogTime {
    int year, month, day, hour, minute, second, millisecond;
};

// Past this size the log is rotated before the next line is written.
constexpr uint64_t kLogCapBytes = 1024 * 1024;
// Velmo.1.log (newest) to Velmo.3.log (oldest) are kept beside Velmo.log.
constexpr int kLogFilesKept = 3;

// "2024-03-07 09:05:03.120 text\r\n" in UTF-8. Line breaks (U+0085, U+2028
// and U+2029 too) and other control characters become spaces, so one event is
// always one line; bidirectional controls become U+FFFD, so a name cannot
// turn the line around in a viewer.
std::string FormatLogLine(const LogTime& t, std::wstring_view text);

// The same line written into out, at most cap bytes (at least 32), a longer
// text cut at a character boundary; returns its length. Allocates nothing:
// the crash path writes with it.
size_t FormatLogLineTo(char* out, size_t cap, const LogTime& t, std::wstring_view text);

// Whether a line of lineBytes must go into a fresh file rather than one that
// already holds sizeNow bytes. A line longer than the cap still goes somewhere.
bool LogNeedsRotation(uint64_t sizeNow, uint64_t lineBytes);

// "Velmo.log" for 0, "Velmo.N.log" for the Nth older file.
std::wstring LogFileName(int nOlder);
