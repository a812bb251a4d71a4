// Between the history's visits and the record keeper, inside records/: a
// record is not deleted while the history shows records, and a deletion that
// waited goes on once the history closes.
#pragma once

#include <string>

enum class Deletion { Done, Failed, HistoryOpen };

// Deletes the file unless a history visit is under way, under the lock the
// visits take. Failed leaves the last error.
Deletion DeleteUnlessHistoryOpen(const std::wstring& path);

// Brings the record keeper's worker round at once, when it runs. Defined by
// the keeper.
void WakeRecordKeeper();
