// The day's export: sign-ins-YYYY-MM-DD.csv and the printed pages as
// sign-ins-YYYY-MM-DD-N.png in a folder, from the command line
// (VelmoDesk.exe /export YYYY-MM-DD FOLDER) or the window's button.
#pragma once

#include <string>

#include "desk/DeskDay.h"

// Exit codes of /export.
enum DeskExitCode {
    kDeskExitWritten = 0,
    kDeskExitUsage = 1,       // arguments that are not a day and a folder
    kDeskExitNoShare = 2,     // no usable [Share] Folder in Config.ini
    kDeskExitShareFailed = 3, // the share or a kiosk folder cannot be read
    kDeskExitWriteFailed = 4, // the folder or a file cannot be written
};

struct DeskExportResult {
    int nExitCode;
    std::wstring line; // what happened, in one line
};

// Lists the day on the share and writes the CSV and the pages into folder
// (made when missing), each under a temporary name first, so a failed export
// leaves no half file. Pages left by an earlier export of the same day
// beyond the new count are removed. Needs GDI+ started.
DeskExportResult ExportDay(const std::wstring& share, const DeskDate& day, const std::wstring& folder);

// VelmoDesk.exe /export YYYY-MM-DD FOLDER: the exit code; the line goes to
// the console the program was started from.
int RunExportCommand(int argc, wchar_t** argv);
