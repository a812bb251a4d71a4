// CCameraWatch: whether the chosen camera is there, and when to look for it
// again once it has gone. The camera panel feeds it what the system reports
// (the graph's events, device arrival and removal, sleep and resume) and
// rebuilds the preview when it says so; times are milliseconds of one
// steady clock. Needs nothing from the platform.
#pragma once

#include <cstdint>

enum class CameraState {
    Live,       // the camera is there (its preview runs, or stopped for a photo)
    Lost,       // gone: nothing is built; looked for again on a growing delay
    Rebuilding, // a sign that it is back: the rebuild is due shortly
};

// How a rebuild that was due ended.
enum class RebuildResult {
    Back,     // the camera is there again (and its preview runs)
    Unlisted, // not in the device list
    Failed,   // listed, but its preview could not be started
};

// What an event asks of the panel at once.
enum class CameraStep {
    None,
    TearDown, // release the graph: the device behind it is gone
};

class CCameraWatch {
public:
    // A device that comes back often announces itself more than once and needs
    // a moment before it can stream.
    static constexpr uint64_t kSettleMs = 300;
    // The delays between looks while lost double from the first: a camera
    // whose return went unannounced is live within 5 s, one that is listed
    // but will not start (another program holds it) is tried, and its failure
    // logged, at most once a minute.
    static constexpr uint64_t kFirstLookMs = 500;
    static constexpr uint64_t kUnlistedLookMs = 4000;
    static constexpr uint64_t kFailedLookMs = 60000;

    CameraState State() const { return m_state; }
    // The graph reported its device lost, or stopped on an error.
    CameraStep OnGraphLost(uint64_t nNow);
    // A video capture device arrived or left; bPresent: the chosen one is listed.
    CameraStep OnDeviceChange(uint64_t nNow, bool bPresent);
    // The system goes to sleep: a graph seldom survives it.
    CameraStep OnSuspend(uint64_t nNow);
    // The system woke: whatever ran before is rebuilt at once.
    void OnResume(uint64_t nNow);
    // The rebuild that was due has ended.
    void OnRebuilt(uint64_t nNow, RebuildResult result);

    bool IsDue(uint64_t nNow) const { return m_state != CameraState::Live && nNow >= m_nDue; }
    // Milliseconds until IsDue, or -1 while the camera is live.
    int64_t MsUntilDue(uint64_t nNow) const;
    // Since when the camera has been away, for the log.
    uint64_t LostSince() const { return m_nLostAt; }

private:
    CameraStep Lose(uint64_t nNow);

    CameraState m_state = CameraState::Live;
    uint64_t m_nDue = 0;
    uint64_t m_nLostAt = 0;
    unsigned m_nFailedLooks = 0;
};
