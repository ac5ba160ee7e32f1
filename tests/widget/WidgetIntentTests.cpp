// The intents: what each one queues, in the queue file's JSON, and when it queues nothing. None of
// them starts the application: that is seen end to end (WidgetEndToEndTests).

#include "Widget/WidgetIntents.h"

#include <gtest/gtest.h>

#include <atomic>

#include "Platform/NotifyCenter.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"
#include "widget/WidgetSamples.h"

namespace {

using namespace widget_test;
using testing_support::TempHome;

TEST(WidgetIntents, EachQueuesItsCommandAfterThoseBeforeIt) {
    TempHome home;
    OpenLocalhostIntent(5173).perform();
    EXPECT_EQ(queued(), R"([{"openLocalhost":{"port":5173}}])");

    OpenFolderIntent("/home/you/Sites/ünï api").perform();
    // Kept-alive servers and containers are left out (WidgetViewTests); one known not to be kept alive is not.
    DevServer notKept = server(100, {3000}, "node", 0, {100, 101});
    notKept.keptAlive = false;
    KillProjectIntent({notKept}).perform();
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
    const auto observation =
        Platform::NotifyCenter::observe(std::string(WidgetCommandQueue::notificationName), [&] { ++posts; });
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
