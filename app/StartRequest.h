// What a start of Velmo.exe was asked to do, read from its command line, and
// how it tells the one who started it how that went.
#pragma once

#include <cstdint>
#include <string_view>

struct StartRequest {
    // "/stop": end the running kiosk cleanly and report, instead of being one.
    bool bStop = false;
    // "/restarted": started again after a fault or a hang.
    bool bRestarted = false;
    // "/restarted:<hex>": an inherited handle of the kiosk this one replaces,
    // which ends first; 0 when none was given.
    uint64_t predecessor = 0;
};

// The switches after the program's own (possibly quoted) path, in any case;
// anything else on the line is ignored.
StartRequest ParseStartRequest(std::wstring_view commandLine);

// Exit codes of Velmo.exe other than a kiosk's own end (0).
enum StartExitCode : int {
    kExitNoKioskRuns = 0,     // /stop: the kiosk has ended, or none ran
    kExitKioskStillRuns = 1,  // /stop: asked, but it did not end in time
    kExitCannotAskKiosk = 2,  // /stop: this account may not reach the kiosk
    kExitNotKioskAccount = 3, // not started as the kiosk account, or started elevated
};

// A kiosk that ended by a fault or a hang is started again, unless it was
// itself such a restart and failed within a minute: that would be a loop.
constexpr uint64_t kRestartLoopMs = 60000;
bool StartsAgain(bool bWasRestart, uint64_t msRunning);
