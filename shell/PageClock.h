// The page's clocks, apart from the platform's timers: how long the page may
// stay untouched before the kiosk goes idle, the one-second rule for saves,
// and which taps of a finger make a double tap. Needs nothing from the
// platform.
#pragma once

#include <cstdint>
#include <optional>

// The system's double-click rule: the time a second tap may follow, and the
// size of the box centred on the first that it must land in.
struct DoubleTapRule {
    uint32_t nMaxMs;
    int32_t cx, cy;
};

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

    // A finger's tap at tick dwNow and (x, y): true when it is the second of a
    // double tap, as the system makes a double-click of a mouse's. A third
    // quick tap begins a pair of its own.
    bool IsSecondTap(uint32_t dwNow, int32_t x, int32_t y, const DoubleTapRule& rule);

private:
    struct Tap {
        uint32_t dwTick;
        int32_t x, y;
    };
    int m_nIdleTime;
    std::optional<Tap> m_lastTap;             // a first tap that may get its second
    std::optional<uint32_t> m_dwLastSaveTick; // none written yet
};
