// The rules of copying records to a file share: which records still have to
// go and in which order, which names a copy may take, how long to wait after a
// failure. Needs nothing from the platform.
#pragma once

#include <cstdint>
#include <set>
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

// The local records not yet known to be on the share (their folded names in
// `known`, learnt by comparing bytes), in copy order: first those whose name
// the share does not hold (`shareNames`, folded), which only need a copy,
// then those whose name it holds, which need their bytes compared. Deriving
// this from the two folders needs no journal that a crash could corrupt; a
// file of the same name and size is no proof, since every record of one
// screen has the same size.
std::vector<RecordFile> PendingRecords(std::vector<RecordFile> local, const std::set<std::wstring>& known,
                                       const std::set<std::wstring>& shareNames);

// How many names a copy of a record may try on the share: "X.bmp", then
// "X(2).bmp", "X(3).bmp", ... (NumberedName), as the local save does.
constexpr int kMaxShareCopyNames = 1000;

// The temporary file a copy is written to before it takes its name; never
// listed as a record. It carries the kiosk's computer name, so that a kiosk
// cleaning up after its own crash leaves alone another kiosk's copy in flight
// in the same folder.
std::wstring ShareTempName(std::wstring_view computerName, unsigned long processId);
// Any kiosk's temporary copy; one of this kiosk's, from any process.
bool IsShareTempName(std::wstring_view name);
bool IsOwnShareTempName(std::wstring_view name, std::wstring_view computerName);

// The pause before the next attempt after `failures` failed ones in a row:
// 1 s, doubling, at most 5 min.
constexpr unsigned kFirstRetryMs = 1000;
constexpr unsigned kLastRetryMs = 5 * 60 * 1000;
unsigned RetryDelayMs(int failures);
