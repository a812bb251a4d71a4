// Keeping the records beyond this kiosk's disk: each saved record is copied,
// off the user-interface thread, to the kiosk's folder on a file share
// (Config.ini [Share] Folder, Kiosk), and records older than [Records]
// KeepDays are deleted once they are safe on the share.
#pragma once

#include "records/ShareSettings.h"

// Starts the worker; without a share and a retention period there is nothing
// to do and nothing starts.
void StartRecordKeeping(const ShareSettings& settings);
// A record was saved: the worker copies it now, even in the middle of a pause
// after a failure.
void RecordSaved();
// Ends the worker; a copy in flight is finished, or found again at the next
// start.
void StopRecordKeeping();
