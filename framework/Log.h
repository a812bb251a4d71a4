// The operator's log: one line per event in Logs\Velmo.log beside the
// program, with a local time stamp. Logging never fails the kiosk: a log that
// cannot be written is skipped.
#pragma once

#include <windows.h>

#include <string>

// printf-style; use %ls for wide strings. Keeps the caller's last error.
void LogEvent(const wchar_t* pszFormat, ...);

// The crash path's way into the log: takes no lock (the faulting thread may
// hold the log's), allocates nothing and never rotates. PrepareCrashLog, at
// start-up, finds the file once.
void PrepareCrashLog();
void LogCrashEvent(const wchar_t* pszFormat, ...);

// "error 5: Access is denied." for a system error code.
std::wstring DescribeError(DWORD dwError);

// The folder of the executable with a trailing backslash: the log, the
// records and the crash dumps live beside the program wherever it was started.
std::wstring ProgramFolder();
