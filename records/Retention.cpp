#include "records/Retention.h"

namespace {

// Reads exactly `digits` decimal digits (or 1 to 9 when digits is 0) at pos.
bool ReadNumber(std::wstring_view s, size_t& pos, int digits, int& value) {
    const size_t start = pos;
    const size_t limit = digits ? start + static_cast<size_t>(digits) : start + 9;
    value = 0;
    while (pos < s.size() && pos < limit && s[pos] >= L'0' && s[pos] <= L'9')
        value = value * 10 + (s[pos++] - L'0');
    return digits ? pos == limit : pos > start;
}

bool ReadChar(std::wstring_view s, size_t& pos, wchar_t c) {
    if (pos >= s.size() || s[pos] != c)
        return false;
    ++pos;
    return true;
}

// Days from 1970-01-01 of a date in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

std::optional<RecordTime> RecordTimeFromName(std::wstring_view name) {
    RecordTime t{};
    size_t pos = 0;
    // 年 月 日 时 分 秒
    if (!ReadNumber(name, pos, 0, t.year) || !ReadChar(name, pos, L'\u5e74') || !ReadNumber(name, pos, 2, t.month) ||
        !ReadChar(name, pos, L'\u6708') || !ReadNumber(name, pos, 2, t.day) || !ReadChar(name, pos, L'\u65e5') ||
        !ReadNumber(name, pos, 2, t.hour) || !ReadChar(name, pos, L'\u65f6') || !ReadNumber(name, pos, 2, t.minute) ||
        !ReadChar(name, pos, L'\u5206') || !ReadNumber(name, pos, 2, t.second) || !ReadChar(name, pos, L'\u79d2'))
        return std::nullopt;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 60)
        return std::nullopt;
    return t;
}

int64_t CalendarSeconds(const RecordTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

bool IsPastRetention(const RecordTime& signedIn, const RecordTime& now, int keepDays) {
    if (keepDays <= 0)
        return false;
    return CalendarSeconds(now) - CalendarSeconds(signedIn) > int64_t{keepDays} * 86400;
}

int64_t CRetentionClock::AheadMs(int64_t wallMs, int64_t steadyMs) const {
    if (!m_lastWallMs)
        return 0;
    return (wallMs - *m_lastWallMs) - (steadyMs - *m_lastSteadyMs);
}

void CRetentionClock::Ran(int64_t wallMs, int64_t steadyMs) {
    m_lastWallMs = wallMs;
    m_lastSteadyMs = steadyMs;
}
