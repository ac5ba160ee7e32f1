// The main-thread trackers behind the status icon and the row badges, and how one scan feeds them.

#include <gtest/gtest.h>

#include <limits>

#include "App/Trackers/BadgeTrackers.h"
#include "App/Trackers/ContainerActionTracker.h"
#include "App/Trackers/EnergyMonitor.h"
#include "App/Trackers/KillTracker.h"
#include "App/Trackers/NewServerTracker.h"
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

    tracker.acknowledge(30);  // opened, yet not announced
    EXPECT_FALSE(tracker.isNew(30, at(31)));
    EXPECT_EQ(tracker.unnotifiedNewPGIDs(at(31)), (PGIDs{30, 40}));
    tracker.markAllNotified();
    EXPECT_TRUE(tracker.unnotifiedNewPGIDs(at(31)).empty());
    EXPECT_TRUE(tracker.isNew(40, at(31)));

    tracker.update({10, 20, 40}, at(32));  // 30 missed one scan: forgotten, then new again under its number
    tracker.update({10, 20, 30, 40}, at(33));
    EXPECT_TRUE(tracker.isNew(30, at(33)));
    EXPECT_EQ(tracker.unnotifiedNewPGIDs(at(33)), PGIDs{30});
}

TEST(EnergyMonitor, HeatNeedsTwentyFivePercentAndCoolingBelowFifteenOverThirtySeconds) {
    EnergyMonitor monitor;
    const auto scan = [&](double cpu, double seconds) { monitor.update({{1, cpu}}, {}, at(seconds)); };
    monitor.update({{1, 24.9}, {2, 25}}, {}, at(0));
    EXPECT_FALSE(monitor.isHigh(1));
    EXPECT_TRUE(monitor.isHigh(2));
    scan(30, 31);  // the first sample is now older than 30 s: one sample of 30
    EXPECT_TRUE(monitor.isHigh(1));
    scan(0, 61);  // exactly 30 s old still counts: (30 + 0) / 2 = 15 is not below 15
    EXPECT_TRUE(monitor.isHigh(1));
    scan(20, 61.001);  // (0 + 20) / 2
    EXPECT_FALSE(monitor.isHigh(1));
    scan(40, 62);  // (0 + 20 + 40) / 3 = 20: inside the band a cool group stays cool
    EXPECT_FALSE(monitor.isHigh(1));
    EXPECT_FALSE(monitor.samples().contains(2)) << "a group missing from a scan loses its history";
}

TEST(EnergyMonitor, OneGibibyteIsHotWhateverTheCPU) {
    EnergyMonitor monitor;
    monitor.update({{1, 0}, {2, 0}, {3, 0}}, {{1, 1073741824}, {2, 1073741823}}, at(0));
    EXPECT_EQ(monitor.high(), (std::set<std::int32_t>{1}));
    monitor.update({{1, 0}}, {{1, 512LL << 20}}, at(5));
    EXPECT_FALSE(monitor.isHigh(1)) << "memory gone, CPU idle";
    monitor.update({{1, std::numeric_limits<double>::quiet_NaN()}}, {}, at(6));
    EXPECT_FALSE(monitor.isHigh(1));
}

DevServer server(std::int32_t pid, std::int32_t pgid, double cpu, std::optional<std::int64_t> rss = {},
                 std::optional<std::string> containerID = {}) {
    return {pid, pgid, {pid}, "node", {3000}, {}, cpu, 0, rss, {}, {}, containerID, {}, {}};
}

using BadgeTrackersTest = tracker_support::MainThreadTest;

TEST_F(BadgeTrackersTest, OneScanFeedsEveryTrackerSummedPerProcessGroup) {
    EnergyMonitor energy;
    NewServerTracker newServers;
    const auto containers = ContainerActionTracker::make();
    const auto kills = KillTracker::make();
    const auto feed = [&](const std::vector<DevProject>& projects, double seconds) {
        BadgeTrackers::feed(projects, at(seconds), {energy, newServers, *containers, *kills});
    };
    feed({{"web", "/w", {server(11, 10, 30)}}}, 0);
    kills->recordStop(10, at(0));
    containers->setPhase("abc", ContainerActionTracker::Phase::stopping);
    containers->setPhase("gone", ContainerActionTracker::Phase::stopping);

    const std::int64_t half = 512LL << 20, huge = std::numeric_limits<std::int64_t>::max();
    feed({{"web", "/w", {server(11, 10, 15), server(21, 20, 0, half), server(31, 30, 0, huge)}},
          {"api", "/a", {server(12, 10, 15), server(22, 20, 0, half), server(32, 30, 0, huge)}},
          {"db", "docker://db", {server(-7, -7, 0, {}, "abc")}}},
         10);
    EXPECT_EQ(energy.samples().at(10).back().cpu, 30.0);
    EXPECT_EQ(energy.high(), (std::set<std::int32_t>{10, 20, 30})) << "15 + 15 %, 512 + 512 MiB, no overflow";
    EXPECT_TRUE(newServers.isNew(20, at(10)));
    EXPECT_TRUE(newServers.isNew(-7, at(10)));
    EXPECT_FALSE(newServers.isNew(10, at(10)));
    EXPECT_EQ(containers->phases().size(), 1u);
    EXPECT_TRUE(kills->stopping().empty()) << "the deadline was exactly the scan's time";
}

}  // namespace
