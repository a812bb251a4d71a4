// What the sign-in page is given of the kiosk's settings, read by app/ at
// start-up. Needs nothing from the platform.
#pragma once

#include <optional>
#include <string>

constexpr int kDefaultIdleTime = 30000;
constexpr int kMinimumIdleTime = 1000;

// What the history the page opens needs: which records it shows, and who
// may open it.
struct HistorySettings {
    int nDays = 0; // [History] Days: only records of the last nDays days, today the first; 0: all
    // [History] Pin: asked for before the history opens; an empty one (the
    // setting was unusable) is never matched, so the history stays locked
    std::optional<std::wstring> pin;
};

struct PageSettings {
    int nIdleTime = kDefaultIdleTime; // [Time] MinTime, milliseconds without a touch
    // [Kiosk] Lockdown=1: nothing a visitor can reach ends, hides or moves the
    // kiosk; the application holds the system's keys while it runs
    bool bLockdown = false;
    HistorySettings history;
};
