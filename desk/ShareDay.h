// Reading the share for the front desk: one day's records from every kiosk
// folder, and a record's bytes, bounded. The desk only reads: it never
// writes, renames or deletes anything there.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "desk/DeskDay.h"

// A record is a screen-sized picture; a file named like one but far larger
// is not read at all.
constexpr uint64_t kDeskMaxRecordBytes = 64ull << 20;

struct ShareDayResult {
    DWORD dwError = ERROR_SUCCESS; // the first folder that could not be listed
    std::wstring failedFolder;     // ... which, or empty
};

// Lists the day's records of every kiosk folder under the share; the file
// server is asked only for names of that day. A kiosk folder that cannot be
// listed is left out and reported; the share itself missing leaves the list
// empty.
ShareDayResult ListShareDay(const std::wstring& share, const DeskDate& day, CDeskDayList& list);

// "<share>\<kiosk>\<name>"
std::wstring DeskRecordPath(const std::wstring& share, const DeskRecord& record);

// The whole file, when it is no larger than kDeskMaxRecordBytes and reads in
// full; false otherwise.
bool ReadRecordBytes(const std::wstring& path, std::vector<uint8_t>& bytes);
