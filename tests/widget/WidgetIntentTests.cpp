// The intents: what each one queues, in the queue file's JSON, and when it queues nothing.

#include "Widget/WidgetIntents.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#include "Platform/AtomicFile.h"
#include "Platform/NotifyCenter.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "discovery/support/TestProcesses.h"
#include "support/TempHome.h"
#include "widget/WidgetSamples.h"

namespace {

using namespace widget_test;
using testing_support::TempHome;

std::filesystem::path queueFile() { return *AppGroup::containerURL() / WidgetCommandQueue::fileName; }
std::string queued() { return Platform::readWholeFile(queueFile()).value_or("(none)"); }

TEST(WidgetIntents, KillPairsEachProcessWithItsGroupAndLeavesOutWhatItCannotStop) {
    DevServer keptAlive = server(300, {7000}, "daemon", 0, {300, 301});
    keptAlive.keptAlive = true;
    DevServer notKept = server(100, {3000}, "node", 0, {100, 101});
    notKept.keptAlive = false;
    const KillProjectIntent intent({notKept, keptAlive, container(4, {5432}), server(200, {5173})});
    EXPECT_EQ(intent.pids, (std::vector<std::int64_t>{100, 101, 200}));
    EXPECT_EQ(intent.pgids, (std::vector<std::int64_t>{100, 100, 200}));
    EXPECT_TRUE(KillProjectIntent({keptAlive, container(5, {80})}).pids.empty());
    EXPECT_FALSE(KillProjectIntent::openAppWhenRun || OpenFolderIntent::openAppWhenRun || OpenLocalhostIntent::openAppWhenRun);
}

TEST(WidgetIntents, EachQueuesItsCommandAfterThoseBeforeIt) {
    TempHome home;
    // Text that is not JSON is replaced by a list holding only the new command.
    std::ofstream(queueFile()) << "{not json";
    OpenLocalhostIntent(5173).perform();
    EXPECT_EQ(queued(), R"([{"openLocalhost":{"port":5173}}])");

    OpenFolderIntent("/home/you/Sites/ünï api").perform();
    KillProjectIntent({server(100, {3000}, "node", 0, {100, 101})}).perform();
    KillProjectIntent({container(1, {5432})}).perform();  // queued even with nothing to stop
    // Pairs that cannot name a process are dropped; the rest stays paired.
    KillProjectIntent unusual;
    unusual.pids = {1LL << 40, 42, 43};
    unusual.pgids = {42, 42, 1LL << 40};
    unusual.perform();
    EXPECT_EQ(queued(), R"([{"openLocalhost":{"port":5173}},{"revealFolder":{"path":"/home/you/Sites/ünï api"}},)"
                        R"({"kill":{"pgids":[100,100],"pids":[100,101]}},{"kill":{"pgids":[],"pids":[]}},)"
                        R"({"kill":{"pgids":[42],"pids":[42]}}])");
}

TEST(WidgetIntents, APortBelowOneQueuesAndPostsNothing) {
    TempHome home;
    std::atomic<int> posts = 0;
    const auto observation = Platform::NotifyCenter::observe(std::string(WidgetCommandQueue::notificationName), [&] { ++posts; });
    OpenLocalhostIntent(0).perform();
    OpenLocalhostIntent(-80).perform();
    EXPECT_FALSE(std::filesystem::exists(queueFile()));
    // The next real command's post is the first one the observer hears.
    OpenLocalhostIntent(1).perform();
    ASSERT_TRUE(testing_support::waitUntil([&] { return posts > 0; }, std::chrono::seconds(10)));
    EXPECT_EQ(queued(), R"([{"openLocalhost":{"port":1}}])");
    EXPECT_EQ(posts, 1);
}

}  // namespace
