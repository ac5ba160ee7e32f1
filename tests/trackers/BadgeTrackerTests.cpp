// The main-thread trackers behind the status icon and the row badges, and how one scan feeds them.

#include <gtest/gtest.h>

#include <limits>

#include "Core/Trackers/BadgeTrackers.h"
#include "Core/Trackers/ContainerActionTracker.h"
#include "Core/Trackers/EnergyMonitor.h"
#include "Core/Trackers/KillTracker.h"
#include "Core/Trackers/KillWarning.h"
#include "Core/Trackers/NewServerTracker.h"
#include "Shared/Settings/AppGroup.h"
#include "support/TempHome.h"
#include "trackers/TrackerTestSupport.h"

namespace {

using tracker_support::at;
using PGIDs = std::vector<std::int32_t>;

TEST(NewServerTracker, OnlyServersStartedAfterTheFirstScanAreNewForUnderAMinute) {
    NewServerTracker tracker;
    tracker.update({10, 20}, at(0));
    EXPECT_FALSE(tracker.isNew(10, at(1)));
    tracker.update({10, 20, 30, 40}, at(5));
    tracker.update({10, 20, 30, 40}, at(30));  // later scans do not move the first sighting
    EXPECT_TRUE(tracker.isNew(30, at(64.999)));
    EXPECT_FALSE(tracker.isNew(30, at(65)));
    EXPECT_EQ(tracker.unnotifiedNewPGIDs(at(64)), (PGIDs{30, 40}));
    EXPECT_TRUE(tracker.unnotifiedNewPGIDs(at(65)).empty());
    tracker.markAllNotified();
    EXPECT_TRUE(tracker.unnotifiedNewPGIDs(at(31)).empty());
    tracker.update({10, 20, 40}, at(32));  // 30 missed one scan: forgotten, then new again under its number
    tracker.update({10, 20, 30, 40}, at(33));
    EXPECT_EQ(tracker.unnotifiedNewPGIDs(at(33)), PGIDs{30});
}

TEST(EnergyMonitor, HotFromTwentyFivePercentOrOneGibibyteCoolBelowFifteenOverThirtySeconds) {
    EnergyMonitor monitor;
    monitor.update({{1, 24.9}, {2, 25}, {3, 0}, {4, 0}, {5, std::numeric_limits<double>::quiet_NaN()}},
                   {{3, 1073741824}, {4, 1073741823}}, at(0));
    EXPECT_EQ(monitor.high(), (std::set<std::int32_t>{2, 3}));
    monitor.update({{1, 30}, {3, 0}}, {{3, 512LL << 20}}, at(31));  // 1's first sample is now over 30 s old
    EXPECT_TRUE(monitor.isHigh(1));
    EXPECT_FALSE(monitor.isHigh(3)) << "memory gone, CPU idle";
    EXPECT_FALSE(monitor.samples().contains(2)) << "a group missing from a scan loses its history";
    // At 61 the sample of 31 is exactly 30 s old and counts: 15 is not below 15; 20 is inside the band.
    for (const auto& [cpu, seconds, hot] : {std::tuple{0.0, 61.0, true}, {20.0, 61.001, false}, {40.0, 62.0, false}}) {
        monitor.update({{1, cpu}}, {}, at(seconds));
        EXPECT_EQ(monitor.isHigh(1), hot) << seconds;
    }
}

DevServer server(std::int32_t pid, std::int32_t pgid, double cpu, std::optional<std::int64_t> rss = {}) {
    return {pid, pgid, {pid}, "node", {3000}, {}, cpu, 0, rss, {}, {}, {}, {}, {}};
}

using BadgeTrackersTest = tracker_support::MainThreadTest;

TEST_F(BadgeTrackersTest, OneScanFeedsEveryTrackerSummedPerProcessGroup) {
    EnergyMonitor energy;
    NewServerTracker newServers;
    const auto containers = ContainerActionTracker::make();
    const auto kills = KillTracker::make();
    newServers.update({10}, at(0));
    kills->recordStop(10, at(0));
    const std::int64_t half = 512LL << 20, huge = std::numeric_limits<std::int64_t>::max();
    BadgeTrackers::feed({{"web", "/w", {server(11, 10, 15), server(21, 20, 0, half), server(31, 30, 0, huge)}},
                         {"api", "/a", {server(12, 10, 15), server(22, 20, 0, half), server(32, 30, 0, huge)}},
                         {"db", "docker://db", {server(-7, -7, 0)}}},
                        at(10), {energy, newServers, *containers, *kills});
    EXPECT_EQ(energy.high(), (std::set<std::int32_t>{10, 20, 30})) << "15 + 15 %, 512 + 512 MiB, no overflow";
    EXPECT_TRUE(newServers.isNew(-7, at(10)));
    EXPECT_FALSE(newServers.isNew(10, at(10)));
    EXPECT_TRUE(kills->stopping().empty()) << "the deadline was exactly the scan's time";
}

// Each kind of stop is acknowledged on its own, in the shared suite; anything but true is no answer.
TEST(KillWarning, EachKindWarnsUntilItsOwnFlagIsSetInTheSharedSuite) {
    testing_support::TempHome home;
    auto& shared = AppGroup::sharedDefaults();
    ASSERT_TRUE(shared.set("killWarningAcknowledged", std::string("true")));
    EXPECT_TRUE(KillWarning::needsWarning(false) && KillWarning::needsWarning(true));
    KillWarning::acknowledge(true);
    EXPECT_EQ(std::pair(KillWarning::needsWarning(false), KillWarning::needsWarning(true)), std::pair(true, false));
    KillWarning::acknowledge(false);
    EXPECT_FALSE(KillWarning::needsWarning(false));
    EXPECT_EQ(std::pair(shared.boolean("killWarningAcknowledged"), shared.boolean("forceKillWarningAcknowledged")),
              std::pair(std::optional(true), std::optional(true)));
    EXPECT_FALSE(Platform::UserDefaults::standard().object("killWarningAcknowledged").has_value());
}

}  // namespace
