// Names of sign-in records: the local date and time of the save. Needs
// nothing from the platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct RecordTime {
    int year, month, day, hour, minute, second;
};

constexpr wchar_t kRecordFolder[] = L"SignIn";

// "SignIn\2024年03月07日09时05分03秒.bmp" for the first record of that second.
// When that name is taken (the clock was set back), copy 2, 3, ... get
// "...03秒(2).bmp": still listed by the history, next to the first, with the
// same caption up to the seconds.
std::wstring RecordFileName(const RecordTime& t, int nCopy = 1);

// The file a record is written to before it takes its name; the history
// never lists it, since it does not contain ".bmp".
std::wstring RecordTempFileName(unsigned long processId);

// Contains ".bmp" or ".BMP" anywhere, in exactly that letter case.
bool IsRecordName(std::wstring_view name);
// "." or "..", which the enumeration reports like any other entry.
bool IsDotEntry(std::wstring_view name);

// Ascending with ASCII letters compared as upper case, the order NTFS lists a
// folder in; names equal but for case fall back to their exact code units, so
// the order is total. Record names begin with the date, so the newest is last.
bool RecordNameLess(std::wstring_view a, std::wstring_view b);
void SortRecordNames(std::vector<std::wstring>& names);
