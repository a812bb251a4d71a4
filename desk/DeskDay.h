// One day's sign-ins from every kiosk folder of the share: which files are
// that day's records, in what order, and how many each kiosk has. The front
// desk lists the folders and draws; the decisions live here, free of the
// platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/RecordName.h"

struct DeskDate {
    int year, month, day;
    bool operator==(const DeskDate&) const = default;
};

// The date n days later (earlier for negative n), across months and years.
DeskDate AddDays(const DeskDate& date, int n);
// "2024-03-07", strictly: four-digit year, two-digit month and day, a real date.
std::optional<DeskDate> ParseDeskDate(std::wstring_view text);
std::wstring FormatDeskDate(const DeskDate& date);
// "09:05:03"
std::wstring FormatRecordTime(const RecordTime& t);
// The start of a record name of that day, "2024年03月07日": the search pattern
// that lets the file server leave out every other day.
std::wstring DayNamePrefix(const DeskDate& date);

// The day to show once the clock says `today`: a view that was following
// today (showing `lastToday`) moves on at midnight; a chosen day stays.
DeskDate DayAfterClockCheck(const DeskDate& shown, const DeskDate& lastToday, const DeskDate& today);

// The sign-in time of a record name as the kiosk writes it and nothing
// else: the time, an optional copy number "(2)", then ".bmp" or ".BMP".
std::optional<RecordTime> DeskRecordTime(std::wstring_view name);

struct DeskRecord {
    std::wstring kiosk; // the kiosk's folder name under the share
    std::wstring name;  // the file name in that folder
    RecordTime time;
    uint64_t size;
    uint64_t lastWrite; // the file system's own stamp: a replaced file is read again
};

struct DeskKioskCount {
    std::wstring kiosk;
    size_t count;
};

// More than this in one day is not a visitor log; the rest is left out.
constexpr size_t kDeskMaxRecords = 50000;

// Fed by one pass over the share: AddKiosk for each folder under it,
// AddFile for each entry of an accepted kiosk folder, then End.
class CDeskDayList {
public:
    void Begin(const DeskDate& day);
    // Whether the folder is taken as a kiosk folder: a plain folder name, not
    // a link that could lead anywhere.
    bool AddKiosk(std::wstring_view name, bool bLink);
    // Whether the entry is taken as one of the day's records.
    bool AddFile(std::wstring_view kiosk, std::wstring_view name, bool bDirectory, bool bLink, uint64_t size,
                 uint64_t lastWrite);
    // Puts the records in time order and counts them per kiosk.
    void End();

    const DeskDate& Day() const { return m_day; }
    // Oldest first; equal times by kiosk, then first copy before "(2)".
    const std::vector<DeskRecord>& Records() const { return m_records; }
    // Every kiosk folder, records or not, by name.
    const std::vector<DeskKioskCount>& Counts() const { return m_counts; }
    bool Truncated() const { return m_bTruncated; }
    // Same records (names, sizes, stamps) and kiosks: nothing to redraw.
    bool SameAs(const CDeskDayList& other) const;

private:
    DeskDate m_day{};
    std::vector<DeskRecord> m_records;
    std::vector<DeskKioskCount> m_counts;
    bool m_bTruncated = false;
};
