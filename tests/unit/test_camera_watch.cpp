#include <gtest/gtest.h>

#include <vector>

#include "capture/CameraWatch.h"

namespace {

enum class Event { GraphLost, Removed, Arrived, Suspend, Resume, RebuiltBack, RebuiltGone, RebuiltFailed };

struct Row {
    uint64_t at;
    Event event;
    CameraStep step;    // what the event asks at once
    CameraState state;  // afterwards
    int64_t msUntilDue; // afterwards, -1 while live
};

CameraStep Apply(CCameraWatch& watch, uint64_t at, Event event) {
    switch (event) {
    case Event::GraphLost:
        return watch.OnGraphLost(at);
    case Event::Removed:
        return watch.OnDeviceChange(at, false);
    case Event::Arrived:
        return watch.OnDeviceChange(at, true);
    case Event::Suspend:
        return watch.OnSuspend(at);
    case Event::Resume:
        watch.OnResume(at);
        return CameraStep::None;
    case Event::RebuiltBack:
        watch.OnRebuilt(at, RebuildResult::Back);
        return CameraStep::None;
    case Event::RebuiltGone:
        watch.OnRebuilt(at, RebuildResult::Unlisted);
        return CameraStep::None;
    case Event::RebuiltFailed:
        watch.OnRebuilt(at, RebuildResult::Failed);
        return CameraStep::None;
    }
    return CameraStep::None;
}

constexpr CameraStep None = CameraStep::None;
constexpr CameraStep Release = CameraStep::TearDown;
constexpr CameraState Live = CameraState::Live;
constexpr CameraState Lost = CameraState::Lost;
constexpr CameraState Rebuilding = CameraState::Rebuilding;

struct Story {
    const char* name;
    std::vector<Row> rows;
};

} // namespace

TEST(CameraWatch, LostAndBack) {
    const Story stories[] = {
        {"an unplugged camera is looked for sooner, then less often, and never more than 4 s apart",
         {{1000, Event::GraphLost, Release, Lost, 500},
          {1500, Event::RebuiltGone, None, Lost, 1000},
          {2500, Event::RebuiltGone, None, Lost, 2000},
          {4500, Event::RebuiltGone, None, Lost, 4000},
          {8500, Event::RebuiltGone, None, Lost, 4000},
          {12500, Event::RebuiltBack, None, Live, -1}}},
        {"a listed camera that will not start is tried ever less often, up to a minute apart",
         {{0, Event::GraphLost, Release, Lost, 500},
          {500, Event::RebuiltFailed, None, Lost, 1000},
          {1500, Event::RebuiltFailed, None, Lost, 2000},
          {3500, Event::RebuiltFailed, None, Lost, 4000},
          {7500, Event::RebuiltFailed, None, Lost, 8000},
          {15500, Event::RebuiltFailed, None, Lost, 16000},
          {31500, Event::RebuiltFailed, None, Lost, 32000},
          {63500, Event::RebuiltFailed, None, Lost, 60000},
          {123500, Event::RebuiltFailed, None, Lost, 60000},
          {183500, Event::RebuiltGone, None, Lost, 4000},
          {187500, Event::RebuiltBack, None, Live, -1}}},
        {"the graph and the device list both report one loss: torn down once",
         {{1000, Event::GraphLost, Release, Lost, 500}, {1100, Event::Removed, None, Lost, 400}}},
        {"removal with no graph event (a photo on show) loses the camera too",
         {{0, Event::Arrived, None, Live, -1}, {700, Event::Removed, Release, Lost, 500}}},
        {"an announced return is rebuilt after a short settle, not at the next look",
         {{1000, Event::GraphLost, Release, Lost, 500},
          {1500, Event::RebuiltGone, None, Lost, 1000},
          {1600, Event::Arrived, None, Rebuilding, 300},
          {1700, Event::Arrived, None, Rebuilding, 200},
          {1900, Event::RebuiltBack, None, Live, -1}}},
        {"a return that fails to build falls back to growing looks",
         {{0, Event::GraphLost, Release, Lost, 500},
          {100, Event::Arrived, None, Rebuilding, 300},
          {400, Event::RebuiltGone, None, Lost, 1000},
          {1400, Event::RebuiltGone, None, Lost, 2000}}},
        {"a device that leaves again before its rebuild is lost, not rebuilt",
         {{0, Event::GraphLost, Release, Lost, 500},
          {100, Event::Arrived, None, Rebuilding, 300},
          {200, Event::Removed, Release, Lost, 500}}},
        {"sleep tears the graph down; resume rebuilds at once",
         {{0, Event::Suspend, Release, Lost, 500},
          {60000, Event::Resume, None, Rebuilding, 0},
          {60200, Event::RebuiltBack, None, Live, -1}}},
        {"a resume without a suspend before it still rebuilds",
         {{5000, Event::Resume, None, Rebuilding, 0}, {5100, Event::RebuiltBack, None, Live, -1}}},
        {"a rebuilt graph that breaks is lost again",
         {{0, Event::Resume, None, Rebuilding, 0}, {10, Event::GraphLost, Release, Lost, 500}}},
        {"another camera arriving while live changes nothing",
         {{0, Event::Arrived, None, Live, -1}, {10, Event::GraphLost, Release, Lost, 500}}},
    };
    for (const Story& story : stories) {
        SCOPED_TRACE(story.name);
        CCameraWatch watch;
        for (const Row& row : story.rows) {
            SCOPED_TRACE(row.at);
            EXPECT_EQ(Apply(watch, row.at, row.event), row.step);
            EXPECT_EQ(watch.State(), row.state);
            EXPECT_EQ(watch.MsUntilDue(row.at), row.msUntilDue);
            EXPECT_EQ(watch.IsDue(row.at), row.msUntilDue == 0);
            if (row.msUntilDue > 0) {
                EXPECT_TRUE(watch.IsDue(row.at + static_cast<uint64_t>(row.msUntilDue)));
            }
        }
    }
}

TEST(CameraWatch, RemembersWhenTheCameraWentAway) {
    CCameraWatch watch;
    watch.OnGraphLost(7000);
    watch.OnRebuilt(7500, RebuildResult::Unlisted);
    watch.OnDeviceChange(8000, true);
    watch.OnRebuilt(8300, RebuildResult::Failed);
    EXPECT_EQ(watch.LostSince(), 7000u);
    watch.OnRebuilt(9300, RebuildResult::Back);
    watch.OnSuspend(20000);
    EXPECT_EQ(watch.LostSince(), 20000u);
}
