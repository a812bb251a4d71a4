// Which records are past the retention period. Needs nothing from the
// platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "records/RecordName.h"

// The sign-in time a record's file name begins with
// ("2024年03月07日09时05分03秒...", copies "(2)" included), or nothing.
std::optional<RecordTime> RecordTimeFromName(std::wstring_view name);

// Seconds since 1970-01-01 00:00:00 of the calendar time, with no time zone:
// record names and the clock they are compared with are both local.
int64_t CalendarSeconds(const RecordTime& t);

// Whether a record signed in at `signedIn` is more than keepDays days old at
// `now`; never when keepDays is 0 or less (keep forever).
bool IsPastRetention(const RecordTime& signedIn, const RecordTime& now, int keepDays);

// Retention trusts the calendar clock only while it keeps pace with the clock
// nobody sets: a dead clock battery or a bad time sync can move it a year
// ahead, and every record would look old at once.
constexpr int64_t kMaxClockAheadMs = 24LL * 60 * 60 * 1000;

class CRetentionClock {
public:
    // wallMs: the calendar clock; steadyMs: a clock that only counts time
    // passing (since the machine started).
    // How much further the calendar clock has moved than the steady one
    // since the last run; 0 before the first.
    int64_t AheadMs(int64_t wallMs, int64_t steadyMs) const;
    bool MayRun(int64_t wallMs, int64_t steadyMs) const { return AheadMs(wallMs, steadyMs) <= kMaxClockAheadMs; }
    // A run took place: the clocks of this moment are the next run's reference.
    void Ran(int64_t wallMs, int64_t steadyMs);

private:
    std::optional<int64_t> m_lastWallMs, m_lastSteadyMs;
};
