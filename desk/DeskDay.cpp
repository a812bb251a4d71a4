#include "desk/DeskDay.h"

#include <algorithm>
#include <cwchar>

#include "records/Retention.h"
#include "records/ShareRules.h"
#include "records/ShareSettings.h"

namespace {

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool bLeap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && bLeap ? 29 : kDays[month - 1];
}

// The date of a day count from 1970-01-01, in the proleptic Gregorian calendar.
DeskDate CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(yoe + era * 400 + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// The record order: time, kiosk, then the copy order of one kiosk's names.
bool RecordLess(const DeskRecord& a, const DeskRecord& b) {
    const int64_t ta = CalendarSeconds(a.time);
    const int64_t tb = CalendarSeconds(b.time);
    if (ta != tb)
        return ta < tb;
    if (a.kiosk != b.kiosk)
        return RecordNameLess(a.kiosk, b.kiosk);
    return CopyOrderLess(a.name, b.name);
}

} // namespace

DeskDate AddDays(const DeskDate& date, int n) {
    const int64_t days = CalendarSeconds({date.year, date.month, date.day, 0, 0, 0}) / 86400;
    return CivilFromDays(days + n);
}

std::optional<DeskDate> ParseDeskDate(std::wstring_view text) {
    if (text.size() != 10 || text[4] != L'-' || text[7] != L'-')
        return std::nullopt;
    int fields[3] = {};
    const size_t starts[3] = {0, 5, 8};
    const size_t lengths[3] = {4, 2, 2};
    for (int f = 0; f < 3; ++f) {
        for (size_t i = starts[f]; i < starts[f] + lengths[f]; ++i) {
            if (!IsDigit(text[i]))
                return std::nullopt;
            fields[f] = fields[f] * 10 + (text[i] - L'0');
        }
    }
    const DeskDate date{fields[0], fields[1], fields[2]};
    if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 ||
        date.day > DaysInMonth(date.year, date.month))
        return std::nullopt;
    return date;
}

std::wstring FormatDeskDate(const DeskDate& date) {
    wchar_t sz[32];
    std::swprintf(sz, 32, L"%04d-%02d-%02d", date.year, date.month, date.day);
    return sz;
}

std::wstring FormatRecordTime(const RecordTime& t) {
    wchar_t sz[32];
    std::swprintf(sz, 32, L"%02d:%02d:%02d", t.hour, t.minute, t.second);
    return sz;
}

std::wstring DayNamePrefix(const DeskDate& date) {
    // the kiosk's own name for the first second of the day, cut after 日
    std::wstring name = RecordFileName({date.year, date.month, date.day, 0, 0, 0});
    name.erase(0, name.find(L'\\') + 1);
    return name.substr(0, name.find(L'\u65e5') + 1);
}

DeskDate DayAfterClockCheck(const DeskDate& shown, const DeskDate& lastToday, const DeskDate& today) {
    return shown == lastToday ? today : shown;
}

std::optional<RecordTime> DeskRecordTime(std::wstring_view name) {
    const std::optional<RecordTime> t = RecordTimeFromName(name);
    if (!t)
        return std::nullopt;
    std::wstring_view rest = name.substr(name.find(L'\u79d2') + 1);
    if (rest.starts_with(L'(')) {
        size_t close = 1;
        while (close < rest.size() && close <= 6 && IsDigit(rest[close]))
            ++close;
        if (close == 1 || close >= rest.size() || rest[close] != L')')
            return std::nullopt;
        rest.remove_prefix(close + 1);
    }
    if (rest != L".bmp" && rest != L".BMP")
        return std::nullopt;
    return t;
}

void CDeskDayList::Begin(const DeskDate& day) {
    m_day = day;
    m_records.clear();
    m_counts.clear();
    m_bTruncated = false;
}

bool CDeskDayList::AddKiosk(std::wstring_view name, bool bLink) {
    // the kiosks make their folders under this rule; anything else is not one
    if (bLink || IsDotEntry(name) || !IsKioskFolderName(name))
        return false;
    m_counts.push_back({std::wstring(name), 0});
    return true;
}

bool CDeskDayList::AddFile(std::wstring_view kiosk, std::wstring_view name, bool bDirectory, bool bLink, uint64_t size,
                           uint64_t lastWrite) {
    if (bDirectory || bLink || !IsRecordName(name))
        return false;
    const std::optional<RecordTime> t = DeskRecordTime(name);
    if (!t || t->year != m_day.year || t->month != m_day.month || t->day != m_day.day)
        return false;
    if (m_records.size() >= kDeskMaxRecords) {
        m_bTruncated = true;
        return false;
    }
    m_records.push_back({std::wstring(kiosk), std::wstring(name), *t, size, lastWrite});
    return true;
}

void CDeskDayList::End() {
    std::sort(m_records.begin(), m_records.end(), RecordLess);
    std::sort(m_counts.begin(), m_counts.end(),
              [](const DeskKioskCount& a, const DeskKioskCount& b) { return RecordNameLess(a.kiosk, b.kiosk); });
    for (DeskKioskCount& c : m_counts)
        c.count = static_cast<size_t>(
            std::count_if(m_records.begin(), m_records.end(), [&](const DeskRecord& r) { return r.kiosk == c.kiosk; }));
}

bool CDeskDayList::SameAs(const CDeskDayList& other) const {
    if (!(m_day == other.m_day) || m_records.size() != other.m_records.size() ||
        m_counts.size() != other.m_counts.size())
        return false;
    for (size_t i = 0; i < m_records.size(); ++i) {
        const DeskRecord& a = m_records[i];
        const DeskRecord& b = other.m_records[i];
        if (a.kiosk != b.kiosk || a.name != b.name || a.size != b.size || a.lastWrite != b.lastWrite)
            return false;
    }
    for (size_t i = 0; i < m_counts.size(); ++i) {
        if (m_counts[i].kiosk != other.m_counts[i].kiosk)
            return false;
    }
    return true;
}
