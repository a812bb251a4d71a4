// What a fault leaves behind: a minidump in Crash\ beside the program and a
// line in the log; then the system's error reporting takes over and, having
// been asked at start-up, starts the kiosk again.
#pragma once

// Installs the unhandled-exception filter and registers for restart.
void InstallCrashHandler();

// The command line the system restarts the kiosk with.
constexpr const wchar_t* kRestartedSwitch = L"/restarted";
