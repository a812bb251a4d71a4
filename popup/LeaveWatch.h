// The launcher's watch after a tap: what lay behind the launcher is repainted
// by its owners in their own time, and no event says when it has reached the
// screen, so the screen is looked at until most of the launcher's pixels have
// changed and the picture holds still. Bounded, so a screen that cannot be
// read costs at most half a second.
#pragma once

#include <cstdint>
#include <vector>

class CLeaveWatch {
public:
    static constexpr uint32_t kPollMs = 10;
    static constexpr uint32_t kMaxWaitMs = 500;

    // Begins at nowMs with the launcher's pixels as shown (empty when they
    // could not be read).
    void Start(uint32_t nowMs, std::vector<uint32_t> shown);
    bool Watching() const { return m_bWatching; }
    // Milliseconds until the next look at the screen is due; 0: now.
    uint32_t DueInMs(uint32_t nowMs) const;
    // One look at the pixels where the launcher was; true when the watch is
    // over: the launcher has left the screen, or the time is up.
    bool Look(uint32_t nowMs, std::vector<uint32_t> pixels);
    // The watch ended because the launcher left the screen, not by the time.
    bool Left() const { return m_bLeft; }

private:
    bool m_bWatching = false;
    uint32_t m_nStartMs = 0;
    uint32_t m_nLastLookMs = 0;
    bool m_bLooked = false;
    bool m_bLeft = false;
    std::vector<uint32_t> m_shown;
    std::vector<uint32_t> m_last;
};
