// The widget and the application as two real processes: the peer queues commands the way the widget
// does, this process drains on every notification the way the application does (callback → main
// queue → drain); and a reload request reaching the widget's process.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Platform/AtomicFile.h"
#include "Platform/Dispatch.h"
#include "Platform/NotifyCenter.h"
#include "Platform/WidgetCenter.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "discovery/support/TestProcesses.h"
#include "support/TempHome.h"

namespace {

namespace Dispatch = Platform::Dispatch;
using testing_support::ChildProcess;

TEST(WidgetChannelAcrossProcesses, AThousandCommandsFromTheWidgetAreEachExecutedOnce) {
    testing_support::TempHome home;
    Dispatch::MainQueue::reset();
    std::vector<std::int64_t> executed;
    const auto drain = [&] {
        for (const WidgetCommand& command : WidgetCommandQueue::drain()) {
            executed.push_back(std::get<WidgetCommand::OpenLocalhost>(command.action).port);
        }
    };
    {
        const auto observation = Platform::NotifyCenter::observe(std::string(WidgetCommandQueue::notificationName),
                                                                 [&] { Dispatch::mainAsync(drain); });
        ASSERT_TRUE(observation.isActive());
        ChildProcess widget({WIDGET_CHANNEL_PEER, "enqueue", "1", "1000"});
        // The limit only keeps a lost command from hanging the run.
        Dispatch::MainLoop::runUntil([&] { return widget.hasExited() && executed.size() >= 1000; }, std::chrono::minutes(3));
        EXPECT_EQ(widget.exitCode(), 0);
    }
    Dispatch::MainQueue::reset();  // drains still queued would outlive `executed`
    drain();  // anything left over would be a command lost until now
    std::vector<std::int64_t> expected(1000);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(executed, expected);
    EXPECT_FALSE(std::filesystem::exists(*AppGroup::containerURL() / WidgetCommandQueue::fileName));
}

TEST(WidgetChannelAcrossProcesses, AReloadRequestWakesTheWidgetProgram) {
    testing_support::TempHome home;
    const auto output = home.home() / "widget.out";
    testing_support::SpawnOptions options;
    options.output = output;
    ChildProcess widget({WIDGET_CHANNEL_PEER, "observe", std::string(Platform::WidgetCenter::reloadNotificationName)},
                        options);
    const auto printed = [&] { return Platform::readWholeFile(output).value_or(""); };
    ASSERT_TRUE(testing_support::waitUntil([&] { return printed() == "ready\n"; }));
    int handlersRan = 0;
    const auto token = Platform::WidgetCenter::addReloadHandler([&] { ++handlersRan; });
    Platform::WidgetCenter::reloadAllTimelines();
    Platform::WidgetCenter::removeReloadHandler(token);
    EXPECT_EQ(handlersRan, 1);
    ASSERT_TRUE(widget.waitForExit(std::chrono::seconds(90)));
    EXPECT_EQ(widget.exitCode(), 0);
    EXPECT_EQ(printed(), "ready\nnotified\n");
}

}  // namespace
