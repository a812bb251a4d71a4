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
    // Presses within a second of the last save that wrote a record are one
    // press: whether a save at tick dwNow counts. The first save always does,
    // however soon after the machine started, and so does any press after a
    // save that failed; ticks wrap after 49.7 days.
    bool MaySave(uint32_t dwNow) const;
    // A save pressed at tick dwNow wrote its record.
    void Saved(uint32_t dwNow) { m_dwLastSaveTick = dwNow; }

private:
    int m_nIdleTime;
    std::optional<uint32_t> m_dwLastSaveTick; // none written yet
};
