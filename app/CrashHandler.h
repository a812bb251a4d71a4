// What a fault or a hang leaves behind, and how the kiosk comes back: a
// minidump in Crash\ beside the program, a line in the log, and a fresh kiosk
// that takes over once this one has ended. A thread prepared at start-up does
// the work, so that a thread with no stack left, or one holding the log's
// lock, still gets its dump.
#pragma once

#include "StartRequest.h"

#include <windows.h>

// Prepares the crash path: the writer thread, the filter for unhandled
// exceptions, std::terminate and abort, a stack reserve for the calling
// (user-interface) thread; keeps only the newest dumps; and, should all that
// fail, asks Windows to restart the kiosk.
void InstallCrashHandler(const StartRequest& start);

// The watchdog's finding: the thread has not answered for dwSilentMs, or (0)
// it has ended. Dumps it, logs it, starts a fresh kiosk and ends this one.
[[noreturn]] void EndFailedKiosk(DWORD dwThreadId, DWORD dwSilentMs);

// The command line a restarted kiosk gets, from Windows or from the crash path.
constexpr const wchar_t* kRestartedSwitch = L"/restarted";
