#include "Shared/WidgetChannel/WidgetCommandQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Platform/AtomicFile.h"
#include "Platform/NotifyCenter.h"
#include "Shared/Settings/AppGroup.h"
#include "support/TempHome.h"
#include "widgetchannel/NotificationCounter.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempHome;
using widgetchannel_tests::NotificationCounter;

const std::string notificationName(WidgetCommandQueue::notificationName);

fs::path queueFile() { return *AppGroup::containerURL() / WidgetCommandQueue::fileName; }

void writeQueue(const std::string& text) {
    std::ofstream(queueFile(), std::ios::binary) << text;
}

std::string readQueue() { return Platform::readWholeFile(queueFile()).value_or("(missing)"); }

std::vector<std::string> containerEntries() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(*AppGroup::containerURL())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// ---- drain -------------------------------------------------------------------------------------------

TEST(WidgetCommandQueueDrain, TakesTheQueuedCommandsAndRemovesTheFile) {
    TempHome home;
    writeQueue(R"([{"openLocalhost":{"port":3000}}])");
    EXPECT_EQ(WidgetCommandQueue::drain(), std::vector{WidgetCommand::openLocalhost(3000)});
    EXPECT_FALSE(fs::exists(queueFile()));
    EXPECT_TRUE(WidgetCommandQueue::drain().empty());
}

TEST(WidgetCommandQueueDrain, KeepsFileOrder) {
    TempHome home;
    writeQueue(R"([{"kill":{"pids":[10],"pgids":[10]}},{"revealFolder":{"path":"/a"}},{"openLocalhost":{"port":1}},)"
               R"({"openLocalhost":{"port":2}}])");
    EXPECT_EQ(WidgetCommandQueue::drain(),
              (std::vector{WidgetCommand::kill({10}, {10}), WidgetCommand::revealFolder("/a"),
                           WidgetCommand::openLocalhost(1), WidgetCommand::openLocalhost(2)}));
}

TEST(WidgetCommandQueueDrain, OneBadEntryLosesTheWholeBatchAndTheFileGoes) {
    TempHome home;
    const char* damaged[] = {
        R"([{"openLocalhost":{"port":3000}},{"openLocalhost":{}}])",
        R"([{"openLocalhost":{"port":3000}},{"kill":{"pids":[1],"pgids":[1]},"revealFolder":{"path":"/p"}}])",
        R"({"openLocalhost":{"port":3000}})",
        R"([{"openLocalhost":{"port":3000}})",
        "not json at all",
        "",
    };
    for (const char* text : damaged) {
        writeQueue(text);
        EXPECT_TRUE(WidgetCommandQueue::drain().empty()) << text;
        EXPECT_FALSE(fs::exists(queueFile())) << text;
    }
}

TEST(WidgetCommandQueueDrain, WithNoFileChangesNothing) {
    TempHome home;
    const std::vector<std::string> before = containerEntries();
    EXPECT_TRUE(WidgetCommandQueue::drain().empty());
    EXPECT_EQ(containerEntries(), before);
}

TEST(WidgetCommandQueueDrain, LeavesNothingBehindAndIsNotMisledByAnInterruptedDrain) {
    TempHome home;
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(1));
    // What a drain killed between moving the file aside and removing it leaves behind.
    std::ofstream(queueFile().string() + ".draining") << R"([{"openLocalhost":{"port":666}}])";
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(2));
    EXPECT_EQ(WidgetCommandQueue::drain(),
              (std::vector{WidgetCommand::openLocalhost(1), WidgetCommand::openLocalhost(2)}));
    EXPECT_EQ(containerEntries(), std::vector<std::string>{"widget-commands.json.lock"});
}

TEST(WidgetCommandQueueDrain, WithoutAContainerThereIsNoQueue) {
    TempHome home;
    const fs::path notAFolder = home.home() / "data-is-a-file";
    std::ofstream(notAFolder) << "x";
    setenv("XDG_DATA_HOME", notAFolder.c_str(), 1);
    ASSERT_FALSE(AppGroup::containerURL());
    EXPECT_TRUE(WidgetCommandQueue::drain().empty());
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(3000));
    setenv("XDG_DATA_HOME", home.dataHome().c_str(), 1);
    EXPECT_FALSE(fs::exists(queueFile()));
}

// ---- enqueue -----------------------------------------------------------------------------------------

TEST(WidgetCommandQueueEnqueue, AppendsInOrderAsOneCompactArray) {
    TempHome home;
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(5173));
    WidgetCommandQueue::enqueue(WidgetCommand::revealFolder("/srv/site"));
    EXPECT_EQ(readQueue(), R"([{"openLocalhost":{"port":5173}},{"revealFolder":{"path":"/srv/site"}}])");
    WidgetCommandQueue::drain();
    WidgetCommandQueue::enqueue(WidgetCommand::kill({}, {}));
    EXPECT_EQ(readQueue(), R"([{"kill":{"pgids":[],"pids":[]}}])");
}

TEST(WidgetCommandQueueEnqueue, ADamagedFileIsReplacedByTheNewCommandAlone) {
    TempHome home;
    for (const char* damaged : {"not json", R"([{"openLocalhost":{}}])", R"({"openLocalhost":{"port":1}})", ""}) {
        writeQueue(damaged);
        WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(5173));
        EXPECT_EQ(readQueue(), R"([{"openLocalhost":{"port":5173}}])") << damaged;
    }
}

TEST(WidgetCommandQueueEnqueue, PostsTheNotificationAfterWriting) {
    TempHome home;
    std::mutex mutex;
    std::vector<std::vector<WidgetCommand>> seen;
    NotificationCounter heard;
    auto counted = heard.callback();
    const auto observation = Platform::NotifyCenter::observe(notificationName, [&, counted] {
        {
            std::lock_guard lock(mutex);
            seen.push_back(WidgetCommandQueue::drain());
        }
        counted();
    });
    WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(8080));
    ASSERT_TRUE(heard.waitFor(1));
    std::lock_guard lock(mutex);
    EXPECT_EQ(seen.front(), std::vector{WidgetCommand::openLocalhost(8080)});
}

TEST(WidgetCommandQueueEnqueue, ACommandThatCannotBeWrittenIsLostButTheNotificationGoesOut) {
    TempHome home;
    NotificationCounter heard;
    const auto observation = Platform::NotifyCenter::observe(notificationName, heard.callback());

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
    EXPECT_TRUE(fs::is_directory(queueFile()));
}

// ---- both sides at once, within one process ----------------------------------------------------------

TEST(WidgetCommandQueueConcurrency, ThreadsEnqueuingWhileAnotherDrainsLoseAndRepeatNothing) {
    TempHome home;
    constexpr int writers = 4, perWriter = 150;
    std::atomic<int> finishedWriters{0};
    std::vector<std::int64_t> drained;
    std::thread drainer([&] {
        for (;;) {
            const bool last = finishedWriters.load() == writers;
            for (const WidgetCommand& command : WidgetCommandQueue::drain()) {
                drained.push_back(std::get<WidgetCommand::OpenLocalhost>(command.action).port);
            }
            if (last) return;
        }
    });
    std::vector<std::thread> threads;
    for (int writer = 0; writer < writers; ++writer) {
        threads.emplace_back([&, writer] {
            for (int i = 0; i < perWriter; ++i) {
                WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(writer * 1000 + i));
            }
            ++finishedWriters;
        });
    }
    for (std::thread& thread : threads) thread.join();
    drainer.join();

    ASSERT_EQ(drained.size(), static_cast<std::size_t>(writers * perWriter));
    for (int writer = 0; writer < writers; ++writer) {
        std::vector<std::int64_t> own;
        std::copy_if(drained.begin(), drained.end(), std::back_inserter(own),
                     [&](std::int64_t port) { return port / 1000 == writer; });
        ASSERT_EQ(own.size(), static_cast<std::size_t>(perWriter));
        for (int i = 0; i < perWriter; ++i) EXPECT_EQ(own[i], writer * 1000 + i);  // each writer's own order kept
    }
}

}  // namespace
