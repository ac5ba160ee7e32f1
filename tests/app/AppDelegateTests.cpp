// The application shell with a scan the test controls: the loop's one-scan-at-a-time rule, the
// snapshot and tray icon after each scan, widget commands at launch and on notification, and the
// popover. Off screen, so there is no tray: the application must work anyway.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "App/Shell/AppDelegate.h"
#include "App/Shell/Popover.h"
#include "App/Trackers/NewServerTracker.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "app/support/QtWaiting.h"
#include "discovery/support/TestProcesses.h"
#include "support/TempHome.h"

namespace {

using namespace std::chrono_literals;
using app_test::runFor;
using app_test::runUntil;
using testing_support::ChildProcess;

DevServer server(std::int32_t pgid, int port) {
    return {pgid, pgid, {pgid}, "node", {port}, {}, 0, 0, {}, {}, "/home/u/Development/shop", {}, {}, {}};
}

// The loop's scan: counts its calls, can be held until released, and returns the projects set.
class ScriptedScan {
public:
    AppDelegate::ScanFunction function() {
        return [state = state_] {
            if (state->onEnter) state->onEnter();
            std::unique_lock lock(state->mutex);
            ++state->calls;
            state->changed.wait(lock, [&] { return state->open; });
            return state->projects;
        };
    }
    void hold() { change([&] { state_->open = false; }); }
    void release() { change([&] { state_->open = true; }); }
    void setProjects(std::vector<DevProject> projects) { change([&] { state_->projects = std::move(projects); }); }
    void setOnEnter(std::function<void()> action) { state_->onEnter = std::move(action); }  // before launch
    int calls() const {
        std::lock_guard lock(state_->mutex);
        return state_->calls;
    }

private:
    struct State {
        mutable std::mutex mutex;
        std::condition_variable changed;
        int calls = 0;
        bool open = true;
        std::vector<DevProject> projects;
        std::function<void()> onEnter;  // on the scan queue, as each scan begins
    };
    void change(const std::function<void()>& edit) {
        std::lock_guard lock(state_->mutex);
        edit();
        state_->changed.notify_all();
    }
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// The process has ended, or SIGTERM waits to be delivered to it.
bool endedOrTermPending(pid_t pid) {
    const auto pending = testing_support::signalMask(pid, "SigPnd") | testing_support::signalMask(pid, "ShdPnd");
    return !testing_support::isRunning(pid) || (pending >> (SIGTERM - 1) & 1);
}

// The tracker is process-wide and other tests feed it: make these groups known and announced, so
// they show as plain running servers.
void knownAlready(const std::set<std::int32_t>& pgids) {
    NewServerTracker::shared().update(pgids, std::chrono::system_clock::now());
    NewServerTracker::shared().markAllNotified();
}

class AppShell : public ::testing::Test {
protected:
    void SetUp() override { app_test::installMainQueueOnQt(); }
    void TearDown() override {
        scan.release();  // the delegate waits for a scan still running
        delegate.reset();
        runFor(50ms);
    }
    void launch() {
        delegate = std::make_unique<AppDelegate>(scan.function());
        delegate->applicationDidFinishLaunching();
    }
    bool scanned(int calls) { return runUntil([&] { return scan.calls() == calls && !delegate->scanInFlight(); }); }
    std::string toolTip() const { return delegate->statusItem()->toolTip().toStdString(); }

    testing_support::TempHome home;
    ScriptedScan scan;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppShell, TheTrayIconIsIdleUntilAScanReachesItAndTheSnapshot) {
    const std::vector<DevProject> one = {{"shop", "/home/u/Development/shop", {server(4100, 3000)}}};
    scan.setProjects(one);
    knownAlready({4100, 4200, 4300});
    scan.hold();
    launch();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 1; }));
    EXPECT_EQ(delegate->statusController()->state(), StatusTile::State::idle);
    EXPECT_EQ(toolTip(), "Vellumark · no live servers");
    scan.release();
    ASSERT_TRUE(scanned(1));
    EXPECT_EQ(delegate->lastProjects(), one);
    EXPECT_EQ(DataStore::read().value_or(ProcessSnapshot{}).projects, one);
    EXPECT_EQ(toolTip(), "Vellumark · 1 server running");

    const std::vector<DevProject> two = {{"shop", "/home/u/Development/shop", {server(4100, 3000), server(4200, 3001)}},
                                         {"blog", "/home/u/Development/blog", {server(4300, 3000)}}};
    scan.setProjects(two);
    delegate->refresh();
    ASSERT_TRUE(scanned(2));
    EXPECT_EQ(toolTip(), ":3000 used by shop + blog");
    EXPECT_EQ(DataStore::read().value_or(ProcessSnapshot{}).projects, two);
}

TEST_F(AppShell, TicksDuringASlowScanStartNoSecondScan) {
    scan.hold();
    launch();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 1; }));
    delegate->tick();
    delegate->tick();
    runFor(100ms);
    EXPECT_EQ(scan.calls(), 1);
    scan.release();
    ASSERT_TRUE(scanned(1));
    EXPECT_EQ(scan.calls(), 1) << "the dropped ticks were not queued";
    delegate->tick();
    EXPECT_TRUE(scanned(2)) << "the tick after the result was applied starts the next scan";
}

// The loop holds still while a menu is tracked and catches up, once, when it closes.
TEST_F(AppShell, TicksWhileAMenuIsOpenScanOnceTheMenuHasClosed) {
    launch();
    ASSERT_TRUE(scanned(1));
    QMenu menu;
    menu.addAction(QStringLiteral("Quit Vellumark"));
    menu.popup(QPoint(20, 20));
    ASSERT_TRUE(runUntil([&] { return QApplication::activePopupWidget() == &menu; }));
    delegate->tick();
    delegate->tick();
    runFor(400ms);
    EXPECT_EQ(scan.calls(), 1);
    menu.close();
    ASSERT_TRUE(scanned(2));
    runFor(400ms);
    EXPECT_EQ(scan.calls(), 2) << "two held ticks make one scan";
}

TEST_F(AppShell, WidgetCommandsQueuedBeforeLaunchRunBeforeTheFirstScan) {
    ChildProcess target({"sleep", "60"});
    WidgetCommandQueue::enqueue(WidgetCommand::kill({target.pid()}, {target.pid()}));
    const auto queueFile = *AppGroup::containerURL() / WidgetCommandQueue::fileName;
    ASSERT_TRUE(std::filesystem::exists(queueFile));
    std::atomic<int> entered{0};
    std::atomic<bool> drainedFirst{false}, stoppedFirst{false};
    scan.setOnEnter([&] {
        if (entered++ > 0) return;
        drainedFirst = !std::filesystem::exists(queueFile);
        stoppedFirst = endedOrTermPending(target.pid());
    });
    launch();
    ASSERT_TRUE(scanned(1)) << "the launch's own refresh was dropped: the command's is the one scan";
    EXPECT_TRUE(drainedFirst);
    EXPECT_TRUE(stoppedFirst);
    ASSERT_TRUE(target.waitForExit(5s));
    EXPECT_EQ(target.terminatingSignal(), SIGTERM);
}

TEST_F(AppShell, AWidgetNotificationRunsItsCommandsAtOnceAndRefreshesUnlessAScanRuns) {
    launch();
    ASSERT_TRUE(scanned(1));
    ChildProcess first({"sleep", "60"}), second({"sleep", "60"});
    WidgetCommandQueue::enqueue(WidgetCommand::kill({first.pid()}, {first.pid()}));  // posts the notification
    ASSERT_TRUE(runUntil([&] { return first.hasExited(); }));
    EXPECT_EQ(first.terminatingSignal(), SIGTERM);
    ASSERT_TRUE(scanned(2));

    scan.hold();
    delegate->refresh();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 3; }));
    WidgetCommandQueue::enqueue(WidgetCommand::kill({second.pid()}, {second.pid()}));
    ASSERT_TRUE(runUntil([&] { return second.hasExited(); }));
    scan.release();
    ASSERT_TRUE(scanned(3));
    runFor(200ms);
    EXPECT_EQ(scan.calls(), 3);
}

TEST_F(AppShell, NothingRunsOnceTheDelegateIsGoneYetItsLastScanStillCounts) {
    scan.hold();
    scan.setProjects({{"shop", "/home/u/Development/shop", {server(4700, 3000)}}});
    launch();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 1; }));
    // Destroying the delegate waits for the scan: release it from another thread meanwhile.
    std::thread releaser([&] {
        std::this_thread::sleep_for(50ms);
        scan.release();
    });
    delegate.reset();
    releaser.join();
    EXPECT_EQ(AppDelegate::shared(), nullptr);
    runFor(100ms);  // the result arrives on the main queue with no delegate left
    EXPECT_TRUE(NewServerTracker::shared().firstSeen().contains(4700));
    EXPECT_EQ(DataStore::read().value_or(ProcessSnapshot{}).projects.size(), 1u);

    ChildProcess target({"sleep", "60"});
    WidgetCommandQueue::enqueue(WidgetCommand::kill({target.pid()}, {target.pid()}));
    AppDelegate::runWidgetCommands();
    runFor(200ms);
    EXPECT_FALSE(target.hasExited());
    EXPECT_TRUE(std::filesystem::exists(*AppGroup::containerURL() / WidgetCommandQueue::fileName)) << "left for the next launch";
}

TEST_F(AppShell, OpeningThePopoverEndsTheNewServerHighlightAndOwnsTheKeyMonitor) {
    const DevProject before{"shop", "/home/u/Development/shop", {server(5100, 3000)}};
    scan.setProjects({before});
    launch();
    ASSERT_TRUE(scanned(1));
    delegate->togglePopover();  // whatever the tracker knew before, everything seen so far is announced
    EXPECT_TRUE(delegate->popover().isShown());
    EXPECT_TRUE(delegate->hasKeyMonitor());
    delegate->togglePopover();
    EXPECT_FALSE(delegate->popover().isShown());
    EXPECT_FALSE(delegate->hasKeyMonitor());

    DevProject after = before;
    after.servers.push_back(server(5200, 5173));
    scan.setProjects({after});
    delegate->refresh();
    ASSERT_TRUE(scanned(2));
    ASSERT_EQ(delegate->statusController()->state(), StatusTile::State::newServer);
    EXPECT_EQ(toolTip(), "Vellumark · new server on :5173");

    delegate->togglePopover();
    EXPECT_TRUE(NewServerTracker::shared().notified().contains(5200));
    EXPECT_EQ(toolTip(), "Vellumark · 2 servers running");
    delegate->refresh();
    ASSERT_TRUE(scanned(3));
    EXPECT_EQ(delegate->statusController()->state(), StatusTile::State::running) << "no scan brings it back while open";
    delegate->popover().close();  // a click elsewhere, Escape
    EXPECT_FALSE(delegate->hasKeyMonitor());
}

}  // namespace
