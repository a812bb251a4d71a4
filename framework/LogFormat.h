// The operator's log apart from the file system: how a line reads, when the
// file is rotated, and what the files are called.
#pragma once

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

// "2024-03-07 09:05:03.120 text\r\n" in UTF-8; line breaks and other control
// characters in the text become spaces, so one event is always one line.
std::string FormatLogLine(const LogTime& t, std::wstring_view text);

// Whether a line of lineBytes must go into a fresh file rather than one that
// already holds sizeNow bytes. A line longer than the cap still goes somewhere.
bool LogNeedsRotation(uint64_t sizeNow, uint64_t lineBytes);

// "Velmo.log" for 0, "Velmo.N.log" for the Nth older file.
std::wstring LogFileName(int nOlder);
