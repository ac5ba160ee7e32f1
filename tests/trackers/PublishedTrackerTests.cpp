// The trackers whose state changes under a lock on any thread and is published on the main thread.

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "Core/Trackers/ContainerActionTracker.h"
#include "Core/Trackers/KillTracker.h"
#include "trackers/TrackerTestSupport.h"

namespace {

using tracker_support::at;
using Phase = ContainerActionTracker::Phase;

class PublishedTrackerTest : public tracker_support::MainThreadTest {
protected:
    std::shared_ptr<KillTracker> kills = KillTracker::make();
    std::shared_ptr<ContainerActionTracker> containers = ContainerActionTracker::make();
};

TEST_F(PublishedTrackerTest, StopsAndContainerMarksLastUntilTheirGroupVanishesOrTheirDeadline) {
    for (const auto& [pgid, seconds] : {std::pair{1, 0.0}, {2, 0.0}, {3, 5.0}}) kills->recordStop(pgid, at(seconds));
    EXPECT_EQ(kills->stopping(), (KillTracker::Deadlines{{1, at(10)}, {2, at(10)}, {3, at(15)}}));
    kills->reconcile({1, 3}, at(9.999));  // 2 vanished
    EXPECT_EQ(kills->stopping(), (KillTracker::Deadlines{{1, at(10)}, {3, at(15)}}));
    kills->reconcile({1, 3}, at(10));  // a deadline must be later than now
    EXPECT_EQ(kills->stopping(), (KillTracker::Deadlines{{3, at(15)}}));

    containers->setPhase("a", Phase::stopping);
    containers->setPhase("b", Phase::restarting);
    containers->finishRestart("b", at(0), ContainerActionTracker::restartedPill);
    EXPECT_EQ(containers->phases(), (ContainerActionTracker::Phases{{"a", Phase::stopping}}));
    EXPECT_EQ(containers->restartedUntil(), (ContainerActionTracker::Dates{{"b", at(6)}}));
    containers->reconcile({}, at(5.9));  // the mark outlives the container's absence
    EXPECT_TRUE(containers->phases().empty());
    EXPECT_TRUE(containers->restartedUntil().contains("b"));
    containers->reconcile({"b"}, at(6));
    EXPECT_TRUE(containers->restartedUntil().empty());
}

TEST_F(PublishedTrackerTest, ChangesOffTheMainThreadReachItInTheOrderMadeAndNotOnceTheTrackerIsGone) {
    std::vector<std::pair<std::size_t, std::size_t>> seen;
    containers->subscribe([&] {
        EXPECT_TRUE(Platform::Dispatch::isMainThread());
        seen.emplace_back(containers->phases().size(), containers->restartedUntil().size());
    });
    std::vector<std::size_t> sizes;
    kills->subscribe([&] { sizes.push_back(kills->stopping().size()); });
    std::thread([&] {
        containers->setPhase("c", Phase::restarting);
        containers->finishRestart("c", at(0), Trackers::Seconds(6.0));
    }).join();
    EXPECT_TRUE(containers->phases().empty()) << "the mirror changes on the main thread only";
    // Copies from several threads reach the main queue in any order; stops only add groups, so a
    // stale copy published after a newer one would show as the mirror shrinking.
    std::vector<std::jthread> workers;
    for (int t = 0; t < 6; ++t) {
        workers.emplace_back([this, t] {
            for (int i = 0; i < 150; ++i) kills->recordStop(t * 1000 + i, at(i));
        });
    }
    workers.clear();  // joins them
    drainMainQueue();
    EXPECT_EQ(seen, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 0}, {0, 1}}));
    EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end()));
    EXPECT_EQ(kills->stopping().size(), 900u);

    const std::size_t heard = sizes.size();
    std::thread([&] { kills->recordStop(7, at(0)); }).join();
    kills.reset();
    EXPECT_EQ(drainMainQueue(), 1u);
    EXPECT_EQ(sizes.size(), heard) << "a publish queued for a tracker that is gone does nothing";
}

}  // namespace
