// The widget and the application as two real processes: the peer queues commands the way the widget
// does, this process drains on every notification the way the application does (callback → main
// queue → drain).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "Platform/Dispatch.h"
#include "Platform/NotifyCenter.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "support/TempHome.h"
#include "widgetchannel/PeerProcess.h"

namespace {

namespace Dispatch = Platform::Dispatch;
using testing_support::TempHome;
using widgetchannel_tests::PeerProcess;

// The application's side: every notification schedules a drain on the main queue.
class DrainingApplication {
public:
    DrainingApplication()
        : observation_(Platform::NotifyCenter::observe(std::string(WidgetCommandQueue::notificationName), [this] {
              Dispatch::mainAsync([this] { drainOnce(); });
          })) {}

    ~DrainingApplication() {
        observation_ = {};
        Dispatch::MainQueue::reset();  // drains still queued would reach a gone object
    }

    void drainOnce() {
        ++drains_;
        for (const WidgetCommand& command : WidgetCommandQueue::drain()) {
            executed_.push_back(std::get<WidgetCommand::OpenLocalhost>(command.action).port);
        }
    }

    bool observing() const { return observation_.isActive(); }
    const std::vector<std::int64_t>& executed() const { return executed_; }
    int drains() const { return drains_; }

private:
    std::vector<std::int64_t> executed_;  // main thread only
    int drains_ = 0;
    Platform::NotifyCenter::Observation observation_;  // last: ends before the fields it uses
};

// Runs the main queue until every peer has ended and the expected number of commands came out.
void runUntilDone(DrainingApplication& application, std::vector<std::unique_ptr<PeerProcess>>& peers,
                  std::size_t expected, std::vector<int>& statuses) {
    auto peersLeft = std::make_shared<std::atomic<int>>(static_cast<int>(peers.size()));
    statuses.assign(peers.size(), -2);
    std::vector<std::thread> reapers;
    for (std::size_t i = 0; i < peers.size(); ++i) {
        reapers.emplace_back([&, i, peersLeft] {
            statuses[i] = peers[i]->wait();
            --*peersLeft;
            Dispatch::mainAsync([] {});  // wakes the loop to look again
        });
    }
    // The limit only keeps a lost command from hanging the run.
    Dispatch::MainLoop::runUntil([&] { return *peersLeft == 0 && application.executed().size() >= expected; },
                                 std::chrono::minutes(3));
    for (std::thread& reaper : reapers) reaper.join();
}

std::vector<std::int64_t> range(std::int64_t first, std::int64_t count) {
    std::vector<std::int64_t> values;
    for (std::int64_t value = first; value < first + count; ++value) values.push_back(value);
    return values;
}

TEST(WidgetChannelAcrossProcesses, AThousandCommandsFromTheWidgetAreEachExecutedOnce) {
    TempHome home;
    Dispatch::MainQueue::reset();
    DrainingApplication application;
    ASSERT_TRUE(application.observing());

    std::vector<std::unique_ptr<PeerProcess>> peers;
    peers.push_back(std::make_unique<PeerProcess>(std::vector<std::string>{"enqueue", "1", "1000"}));
    ASSERT_TRUE(peers[0]->started());
    std::vector<int> statuses;
    runUntilDone(application, peers, 1000, statuses);

    EXPECT_EQ(statuses, std::vector<int>{0});
    EXPECT_EQ(application.executed(), range(1, 1000));
    application.drainOnce();  // anything left over would be a command executed twice or late
    EXPECT_EQ(application.executed().size(), 1000u);
    EXPECT_FALSE(std::filesystem::exists(*AppGroup::containerURL() / WidgetCommandQueue::fileName));
}

TEST(WidgetChannelAcrossProcesses, TwoWidgetsQueuingAtOnceLoseNothing) {
    TempHome home;
    Dispatch::MainQueue::reset();
    DrainingApplication application;
    ASSERT_TRUE(application.observing());

    std::vector<std::unique_ptr<PeerProcess>> peers;
    peers.push_back(std::make_unique<PeerProcess>(std::vector<std::string>{"enqueue", "10000", "500"}));
    peers.push_back(std::make_unique<PeerProcess>(std::vector<std::string>{"enqueue", "20000", "500"}));
    std::vector<int> statuses;
    runUntilDone(application, peers, 1000, statuses);

    EXPECT_EQ(statuses, (std::vector<int>{0, 0}));
    std::vector<std::int64_t> first, second;
    for (std::int64_t port : application.executed()) (port < 20000 ? first : second).push_back(port);
    EXPECT_EQ(first, range(10000, 500));
    EXPECT_EQ(second, range(20000, 500));
    application.drainOnce();
    EXPECT_EQ(application.executed().size(), 1000u);
}

TEST(WidgetChannelAcrossProcesses, CommandsQueuedWhileTheApplicationIsAwayWaitForItsStart) {
    TempHome home;
    PeerProcess widget({"enqueue", "3000", "3"});
    ASSERT_EQ(widget.wait(), 0);
    // Start-up drain, before any notification.
    EXPECT_EQ(WidgetCommandQueue::drain(), (std::vector{WidgetCommand::openLocalhost(3000),
                                                        WidgetCommand::openLocalhost(3001),
                                                        WidgetCommand::openLocalhost(3002)}));
}

}  // namespace
