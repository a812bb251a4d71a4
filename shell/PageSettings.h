// What the sign-in page is given of the kiosk's settings, read by app/ at
// start-up. Needs nothing from the platform.
#pragma once

constexpr int kDefaultIdleTime = 30000;
constexpr int kMinimumIdleTime = 1000;

struct PageSettings {
    int nIdleTime = kDefaultIdleTime; // [Time] MinTime, milliseconds without a touch
    // [Kiosk] Lockdown=1: nothing a visitor can reach ends, hides or moves the
    // kiosk; the application holds the system's keys while it runs
    bool bLockdown = false;
};
