#include <gtest/gtest.h>

#include <signal.h>

#include "App/Restart/RestartTracker.h"
#include "restart/TestProcesses.h"
#include "support/TempHome.h"
#include "trackers/TrackerTestSupport.h"

namespace {

using tracker_support::at;
using Kind = RestartEntry::Phase::Kind;
using Marks = std::map<std::int32_t, Platform::Date>;

DevServer server(std::int32_t pid, std::int32_t pgid, std::optional<std::string> cwd) {
    return {pid, pgid, {pid}, "node", {3000}, {}, 0, 0, {}, {}, std::move(cwd), {}, {}, {}};
}

class RestartTrackerTest : public tracker_support::MainThreadTest {
protected:
    void begin(const std::string& id, double changedAt, std::int32_t originalPID = 100) {
        RestartEntry entry;
        entry.id = id;
        entry.originalPID = originalPID;
        entry.priorPIDs = {originalPID, 500};
        entry.cwd = "/w/shop";
        entry.plan = {"/bin/sh", {"-l", "-c", "exec npm start"}, "/w/shop"};
        entry.phaseChangedAt = at(changedAt);
        ASSERT_TRUE(tracker->begin(entry));
    }
    void relaunch(const std::string& id, double changedAt, std::optional<std::int32_t> spawned,
                  std::int32_t originalPID = 100) {
        begin(id, 0, originalPID);
        ASSERT_TRUE(tracker->shouldSpawn(id, at(changedAt)));
        if (spawned) {
            ASSERT_TRUE(tracker->setSpawned(id, *spawned));
        }
    }
    const RestartEntry& entry(const std::string& id) const {
        for (const RestartEntry& e : tracker->entries()) {
            if (e.id == id) return e;
        }
        throw std::out_of_range("no entry " + id);
    }
    std::shared_ptr<RestartTracker> tracker = RestartTracker::make();
};

TEST_F(RestartTrackerTest, MatchesTheSpawnedGroupFirstThenANewPidInTheSameFolder) {
    RestartEntry entry;
    entry.cwd = "/w/shop";
    entry.priorPIDs = {500};
    entry.spawnedPID = 700;
    const DevProject shop{"shop", "/w/shop", {server(500, 500, "/w/shop"), server(80, 80, {}), server(810, 800, "/w/shop")}};
    EXPECT_EQ(RestartTracker::matchedServer(entry, {shop, {"o", "/o", {server(701, 700, "/o")}}})->pid, 701);
    EXPECT_EQ(RestartTracker::matchedServer(entry, {shop})->pid, 810) << "500 ran before the restart";
    EXPECT_FALSE(RestartTracker::matchedServer(entry, {{"s", "/w/shop", {server(500, 500, "/w/shop")}}}));
}

TEST_F(RestartTrackerTest, AScanEndsARelaunchWithATenSecondMarkOrFailsItAfterThirty) {
    relaunch("found", 1, 700, 100);
    relaunch("lost", 0, 701, 101);
    begin("stopping", 0, 102);  // belongs to the restart work, whatever the scan shows
    const std::vector<DevProject> scan{{"other", "/w/other", {server(700, 700, "/w/other")}}};
    tracker->reconcile(scan, at(30));
    EXPECT_EQ(tracker->recentlyRestarted(), (Marks{{700, at(40)}}));
    EXPECT_EQ(tracker->entries().size(), 2u);
    EXPECT_EQ(entry("lost").phase.kind, Kind::relaunching) << "exactly 30 s is not yet too long";
    EXPECT_EQ(entry("stopping").phase.kind, Kind::stopping);

    tracker->reconcile({}, at(30.5));
    EXPECT_EQ(entry("lost").phase, RestartEntry::Phase::failed("didn't come back"));
    EXPECT_EQ(entry("lost").phaseChangedAt, at(30.5));
    tracker->reconcile({{"shop", "/w/shop", {server(701, 701, "/w/shop")}}}, at(40));
    EXPECT_EQ(tracker->recentlyRestarted(), (Marks{{701, at(50)}})) << "a failed entry still ends when it turns up";
    EXPECT_EQ(tracker->entries().size(), 1u);
}

TEST_F(RestartTrackerTest, RetryOnlyFromFailedAndCancelOnlyMarksWhatHasNoSpawnedGroup) {
    relaunch("a", 1, std::nullopt);
    tracker->reconcile({}, at(120));
    EXPECT_EQ(entry("a").phase.kind, Kind::relaunching) << "no spawned pid yet: not timed out";
    EXPECT_FALSE(tracker->markRetrying("a", at(2)));
    tracker->cancel("a");
    EXPECT_FALSE(tracker->setSpawned("a", 700)) << "cancelled between spawn and recording it";

    tracker->fail("a", "relaunch failed", at(3));
    tracker->cancel("a");
    EXPECT_TRUE(entry("a").cancelled);
    EXPECT_EQ(tracker->markRetrying("a", at(4))->arguments.at(2), "exec npm start");
    EXPECT_EQ(entry("a").phase.kind, Kind::relaunching);
    EXPECT_FALSE(entry("a").cancelled);
    EXPECT_FALSE(tracker->shouldSpawn("missing", at(5)));
}

TEST_F(RestartTrackerTest, OneEntryPerServerListedOldestChangeFirst) {
    begin("a", 5, 100);
    begin("b", 3, 101);
    RestartEntry again;
    again.id = "c";
    again.originalPID = 100;
    EXPECT_FALSE(tracker->begin(again));
    ASSERT_EQ(tracker->entries().size(), 2u);
    EXPECT_EQ(tracker->entries()[0].id, "b");
    ASSERT_TRUE(tracker->shouldSpawn("b", at(9)));
    EXPECT_EQ(tracker->entries()[0].id, "a");
}

TEST_F(RestartTrackerTest, CancellingARelaunchedServerStopsItsWholeGroup) {
    testing_support::TempDir folder;
    restart_support::ChildProcess leader({"/bin/sleep", "300"}, folder.path());
    restart_support::ChildProcess member({"/bin/sleep", "300"}, folder.path(), leader.pid());
    relaunch("a", 1, leader.pid());
    tracker->cancel("a");
    EXPECT_TRUE(tracker->entries().empty());
    ASSERT_TRUE(leader.waitForExit(std::chrono::seconds(20)) && member.waitForExit(std::chrono::seconds(20)));
    EXPECT_EQ(leader.terminatingSignal(), SIGTERM);
    EXPECT_EQ(member.terminatingSignal(), SIGTERM);
}

}  // namespace
