// The page's clocks, apart from the platform's timers: how long the page may
// stay untouched before the kiosk goes idle, and the one-second rule for
// saves. Needs nothing from the platform.
#pragma once

#include <cstdint>
#include <optional>

class CPageClock {
public:
    explicit CPageClock(int nIdleTime) : m_nIdleTime(nIdleTime) {}

    // Milliseconds without a touch before the kiosk goes idle.
    int IdleTime() const { return m_nIdleTime; }
    // Presses within a second of the last accepted save are one press: true,
    // and remembered, when a save at tick dwNow counts. The first save always
    // does, however soon after the machine started; ticks wrap after 49.7 days.
    bool AcceptSave(uint32_t dwNow);

private:
    int m_nIdleTime;
    std::optional<uint32_t> m_dwLastSaveTick; // none accepted yet
};
