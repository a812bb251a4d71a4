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
