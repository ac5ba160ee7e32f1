#include "Shared/WidgetChannel/WidgetCommandQueue.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "Platform/AtomicFile.h"
#include "Platform/NotifyCenter.h"
#include "Platform/SystemLog.h"
#include "Platform/UniqueFd.h"
#include "Shared/Settings/AppGroup.h"
#include "support/TempHome.h"
#include "widgetchannel/NotificationCounter.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempHome;

fs::path queueFile() { return *AppGroup::containerURL() / WidgetCommandQueue::fileName; }
void writeQueue(const std::string& text) { std::ofstream(queueFile(), std::ios::binary) << text; }
std::string readQueue() { return Platform::readWholeFile(queueFile()).value_or("(missing)"); }

TEST(WidgetCommandQueue, DrainTakesTheWholeBatchInOrderOrNothingOfADamagedOne) {
    TempHome home;
    writeQueue(R"([{"kill":{"pids":[10],"pgids":[10]}},{"revealFolder":{"path":"/a"}},{"openLocalhost":{"port":1}}])");
    EXPECT_EQ(WidgetCommandQueue::drain(), (std::vector{WidgetCommand::kill({10}, {10}), WidgetCommand::revealFolder("/a"),
                                                        WidgetCommand::openLocalhost(1)}));
    EXPECT_FALSE(fs::exists(queueFile()));
    EXPECT_TRUE(WidgetCommandQueue::drain().empty());

    for (const char* damaged : {R"([{"openLocalhost":{"port":3000}},{"openLocalhost":{}}])",
                                R"({"openLocalhost":{"port":3000}})", R"([{"openLocalhost":{"port":3000}})", "no json", ""}) {
        writeQueue(damaged);
        EXPECT_TRUE(WidgetCommandQueue::drain().empty()) << damaged;
        EXPECT_FALSE(fs::exists(queueFile())) << damaged;
        // The next enqueue starts afresh.
        writeQueue(damaged);
        WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(5173));
        EXPECT_EQ(readQueue(), R"([{"openLocalhost":{"port":5173}}])") << damaged;
        WidgetCommandQueue::drain();
    }
}

TEST(WidgetCommandQueue, EnqueueAppendsAsOneCompactArrayAndDrainRecoversAnInterruptedBatchFirst) {
    TempHome home;
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(5173));
    // What a drain killed between moving the file aside and removing it leaves behind.
    std::ofstream(queueFile().string() + ".draining") << R"([{"openLocalhost":{"port":666}}])";
    WidgetCommandQueue::enqueue(WidgetCommand::revealFolder("/srv/site"));
    EXPECT_EQ(readQueue(), R"([{"openLocalhost":{"port":5173}},{"revealFolder":{"path":"/srv/site"}}])");
    EXPECT_EQ(WidgetCommandQueue::drain(), (std::vector{WidgetCommand::openLocalhost(666), WidgetCommand::openLocalhost(5173),
                                                        WidgetCommand::revealFolder("/srv/site")}));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(*AppGroup::containerURL())) left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"widget-commands.json.lock"});
}

// A widget stopped while holding the lock must not freeze the application's drain.
TEST(WidgetCommandQueue, ADrainThatCannotGetTheLockLeavesTheQueueForTheNextDrain) {
    TempHome home;
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(3000));
    const Platform::UniqueFd holder(::open((queueFile().string() + ".lock").c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_EQ(::flock(holder.get(), LOCK_EX), 0);
    Platform::LogCapture log;
    EXPECT_TRUE(WidgetCommandQueue::drain().empty());
    EXPECT_TRUE(log.contains("Vellumark: widget command queue is busy; leaving it for the next drain"));
    EXPECT_EQ(readQueue(), R"([{"openLocalhost":{"port":3000}}])");
    ::flock(holder.get(), LOCK_UN);
    EXPECT_EQ(WidgetCommandQueue::drain(), std::vector{WidgetCommand::openLocalhost(3000)});
}

TEST(WidgetCommandQueue, ACommandThatCannotBeWrittenIsLostButTheNotificationGoesOut) {
    TempHome home;
    widgetchannel_tests::NotificationCounter heard;
    const auto observation =
        Platform::NotifyCenter::observe(std::string(WidgetCommandQueue::notificationName), heard.callback());
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(1));
    ASSERT_TRUE(heard.waitFor(1));
    // Not UTF-8, so not JSON text: encoding fails and the file keeps what it held.
    WidgetCommandQueue::enqueue(WidgetCommand::revealFolder("/tmp/\xff\xfe"));
    EXPECT_TRUE(heard.waitFor(2));
    EXPECT_EQ(readQueue(), R"([{"openLocalhost":{"port":1}}])");
    // A folder where the file should be: writing fails.
    WidgetCommandQueue::drain();
    fs::create_directory(queueFile());
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(2));
    EXPECT_TRUE(heard.waitFor(3));
}

// Advisory locks held per process would let threads of one process interleave; they must not.
TEST(WidgetCommandQueue, ThreadsEnqueuingWhileAnotherDrainsLoseAndRepeatNothing) {
    TempHome home;
    constexpr int writers = 4, perWriter = 150;
    std::atomic<int> finished{0};
    std::vector<std::int64_t> drained;
    std::thread drainer([&] {
        for (bool last = false; !last;) {
            last = finished == writers;
            for (const WidgetCommand& command : WidgetCommandQueue::drain()) {
                drained.push_back(std::get<WidgetCommand::OpenLocalhost>(command.action).port);
            }
        }
    });
    std::vector<std::thread> threads;
    for (int writer = 0; writer < writers; ++writer) {
        threads.emplace_back([&, writer] {
            for (int i = 0; i < perWriter; ++i) WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(writer * 1000 + i));
            ++finished;
        });
    }
    for (std::thread& thread : threads) thread.join();
    drainer.join();
    ASSERT_EQ(drained.size(), std::size_t(writers * perWriter));
    // Each writer's commands in its own order.
    std::ranges::stable_sort(drained, {}, [](std::int64_t port) { return port / 1000; });
    for (int i = 0; i < writers * perWriter; ++i) EXPECT_EQ(drained[i], i / perWriter * 1000 + i % perWriter);
}

}  // namespace
