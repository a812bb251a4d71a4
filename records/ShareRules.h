// The rules of copying records to a file share: which records still have to
// go and in which order, which names a copy may take, how long to wait after a
// failure. Needs nothing from the platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A file of the record folder or of the kiosk's share folder.
struct RecordFile {
    std::wstring name; // without a folder
    uint64_t size;
};

// Windows file names compare without regard to ASCII letter case: the
// name folded to lower case, for sets and comparisons.
std::wstring FoldedName(std::wstring_view name);

// The order records are copied in: by name, as the history lists them, but
// a second record of the same second ("X(2).bmp") after the first.
bool CopyOrderLess(std::wstring_view a, std::wstring_view b);

// The local records with no file of the same name and size in the kiosk's
// share folder, in copy order. Deriving this from the two folders needs
// no journal that a crash could corrupt; a record renamed on the share for a
// clash shows up as pending and is found there when it is copied.
std::vector<RecordFile> PendingRecords(std::vector<RecordFile> local, const std::vector<RecordFile>& shared);

// How many names a copy of a record may try on the share: "X.bmp", then
// "X(2).bmp", "X(3).bmp", ... (NumberedName), as the local save does.
constexpr int kMaxShareCopyNames = 1000;

// The temporary file a copy is written to before it takes its name; never
// listed as a record, and recognised after a crash to be removed.
std::wstring ShareTempName(unsigned long processId);
bool IsShareTempName(std::wstring_view name);

// The pause before the next attempt after `failures` failed ones in a row:
// 1 s, doubling, at most 5 min.
constexpr unsigned kFirstRetryMs = 1000;
constexpr unsigned kLastRetryMs = 5 * 60 * 1000;
unsigned RetryDelayMs(int failures);
