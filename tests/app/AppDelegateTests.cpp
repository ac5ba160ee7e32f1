// The application shell with a scan the test controls: the loop's one-scan-at-a-time rule, the
// snapshot and tray icon after each scan, widget commands at launch and on notification, and the
// popover's opening and closing. Off screen, so there is no tray: the application must work anyway.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <thread>
#include <mutex>
#include <set>

#include "App/Shell/AppDelegate.h"
#include "App/Shell/AppUpdater.h"
#include "App/Shell/Popover.h"
#include "App/Trackers/NewServerTracker.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "Shared/Store/DataStore.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "Platform/UserDefaults.h"
#include "app/support/QtWaiting.h"
#include "support/TempHome.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using app_test::runFor;
using app_test::runUntil;

DevServer server(std::int32_t pgid, int port) {
    DevServer result;
    result.pid = pgid;
    result.pgid = pgid;
    result.groupPIDs = {pgid};
    result.command = "node";
    result.ports = {port};
    result.cwd = "/home/u/Development/shop";
    return result;
}

// The loop's scan, under the test's control: it counts its calls, can be held until released, and
// returns whatever projects the test set.
class ScriptedScan {
public:
    AppDelegate::ScanFunction function() {
        return [state = state_] {
            std::function<void()> onEnter;
            {
                std::lock_guard lock(state->mutex);
                onEnter = state->onEnter;
            }
            if (onEnter) onEnter();
            std::unique_lock lock(state->mutex);
            ++state->calls;
            state->changed.notify_all();
            state->changed.wait(lock, [&] { return state->open; });
            return state->projects;
        };
    }
    void hold() { set([](State& s) { s.open = false; }); }
    void release() { set([](State& s) { s.open = true; }); }
    void setProjects(std::vector<DevProject> projects) { set([&](State& s) { s.projects = std::move(projects); }); }
    // Runs on the scan queue as each scan begins.
    void setOnEnter(std::function<void()> action) { set([&](State& s) { s.onEnter = std::move(action); }); }
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
        std::function<void()> onEnter;
    };
    void set(const std::function<void(State&)>& change) {
        std::lock_guard lock(state_->mutex);
        change(*state_);
        state_->changed.notify_all();
    }
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// A `sleep` that leads its own process group, as a server would; reaped by the test.
class Sleeper {
public:
    Sleeper() {
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
        if (posix_spawn(&pid_, "/bin/sleep", nullptr, &attributes, argv, environ) != 0) pid_ = -1;
        posix_spawnattr_destroy(&attributes);
    }
    ~Sleeper() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid() const { return pid_; }
    // Reaped by now, or within the limit; the signal that ended it is kept.
    bool endsWithin(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!ended_) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(10ms);
        }
        return ended_;
    }
    int signal() const { return signal_; }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int signal_ = 0;
};

// The process has ended (a zombie not yet reaped), or SIGTERM waits to be delivered to it.
bool endedOrTermPending(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos || close + 2 >= text.size()) return true;  // gone altogether
    const char state = text[close + 2];
    if (state == 'Z' || state == 'X') return true;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigPnd:", 0) != 0 && line.rfind("ShdPnd:", 0) != 0) continue;
        const unsigned long long pending = std::stoull(line.substr(7), nullptr, 16);
        if (pending & (1ULL << (SIGTERM - 1))) return true;
    }
    return false;
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
        // The delegate waits for a scan still running; let it finish.
        scan.release();
        delegate.reset();
        runFor(50ms);
    }

    AppDelegate& launch() {
        delegate = std::make_unique<AppDelegate>(scan.function());
        delegate->applicationDidFinishLaunching();
        return *delegate;
    }

    bool settled() {
        return runUntil([&] { return !delegate->scanInFlight(); });
    }

    QString toolTip() const { return delegate->statusItem()->toolTip(); }

    testing_support::TempHome home;
    ScriptedScan scan;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppShell, LaunchShowsIdleBeforeTheFirstScanCompletes) {
    scan.hold();
    launch();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 1; }));
    ASSERT_NE(delegate->statusItem(), nullptr);
    ASSERT_NE(delegate->statusController(), nullptr);
    EXPECT_EQ(delegate->statusController()->state(), StatusTile::State::idle);
    EXPECT_EQ(toolTip(), QString::fromUtf8("Vellumark · no live servers"));
    EXPECT_EQ(delegate->statusController()->accessibilityLabel(), QString::fromUtf8("Vellumark · no servers running"));
    EXPECT_FALSE(delegate->statusController()->shownImage().isNull());
    EXPECT_EQ(AppDelegate::shared(), delegate.get());
    EXPECT_TRUE(delegate->isLoopRunning());
}

TEST_F(AppShell, ScanResultReachesTheSnapshotTheProjectsAndTheTrayIcon) {
    const std::vector<DevProject> projects = {DevProject{"shop", "/home/u/Development/shop", {server(4100, 3000)}}};
    scan.setProjects(projects);
    knownAlready({4100});
    launch();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 1 && !delegate->scanInFlight(); }));

    EXPECT_EQ(delegate->lastProjects(), projects);
    const auto snapshot = DataStore::read();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->projects, projects);
    EXPECT_EQ(toolTip(), QString::fromUtf8("Vellumark · 1 server running"));
}

TEST_F(AppShell, TicksDuringASlowScanStartNoSecondScan) {
    scan.hold();
    launch();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 1; }));

    // What the timer does on each tick, twice while the scan is held.
    delegate->refresh();
    delegate->refresh();
    runFor(100ms);
    EXPECT_EQ(scan.calls(), 1);
    EXPECT_TRUE(delegate->scanInFlight());

    scan.release();
    ASSERT_TRUE(settled());
    EXPECT_EQ(scan.calls(), 1);  // the dropped calls were not queued

    // The tick after the result was applied starts the next scan.
    delegate->refresh();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 2; }));
    EXPECT_TRUE(settled());
}

TEST_F(AppShell, EachFinishedScanReplacesTheSnapshotAndTheTile) {
    launch();
    ASSERT_TRUE(settled());
    EXPECT_EQ(toolTip(), QString::fromUtf8("Vellumark · no live servers"));

    scan.setProjects({DevProject{"shop", "/home/u/Development/shop", {server(4100, 3000), server(4200, 3001)}},
                      DevProject{"blog", "/home/u/Development/blog", {server(4300, 3000)}}});
    knownAlready({4100, 4200, 4300});
    delegate->refresh();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 2; }));
    ASSERT_TRUE(settled());
    EXPECT_EQ(toolTip(), QString(":3000 used by shop + blog"));
    EXPECT_EQ(delegate->statusController()->accessibilityLabel(),
              QString::fromUtf8("Vellumark · port conflict on :3000 used by shop + blog"));
    const auto snapshot = DataStore::read();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->projects.size(), 2u);
}

TEST_F(AppShell, WidgetCommandsQueuedBeforeLaunchRunBeforeTheFirstScan) {
    Sleeper server;
    ASSERT_GT(server.pid(), 0);
    WidgetCommandQueue::enqueue(WidgetCommand::kill({server.pid()}, {server.pid()}));
    const auto queueFile = *AppGroup::containerURL() / WidgetCommandQueue::fileName;
    ASSERT_TRUE(std::filesystem::exists(queueFile));

    // The first scan looks whether the queue was already drained and the stop already sent.
    std::atomic<int> scansEntered{0};
    std::atomic<bool> drainedBeforeFirstScan{false};
    std::atomic<bool> stoppedBeforeFirstScan{false};
    scan.setOnEnter([&] {
        if (scansEntered++ > 0) return;
        drainedBeforeFirstScan = !std::filesystem::exists(queueFile);
        stoppedBeforeFirstScan = endedOrTermPending(server.pid());
    });
    scan.hold();
    launch();
    // The launch's own refresh was dropped: the command's refresh is the one scan in flight.
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 1; }));
    EXPECT_TRUE(delegate->scanInFlight());
    EXPECT_FALSE(std::filesystem::exists(queueFile));
    scan.release();
    ASSERT_TRUE(settled());
    EXPECT_TRUE(drainedBeforeFirstScan);
    EXPECT_TRUE(stoppedBeforeFirstScan);
    EXPECT_TRUE(server.endsWithin(5s));
    EXPECT_EQ(server.signal(), SIGTERM);
    EXPECT_EQ(scan.calls(), 1);
}

TEST_F(AppShell, WidgetNotificationExecutesCommandsAndRefreshes) {
    launch();
    ASSERT_TRUE(settled());
    ASSERT_EQ(scan.calls(), 1);

    Sleeper server;
    WidgetCommandQueue::enqueue(WidgetCommand::kill({server.pid()}, {server.pid()}));  // posts the notification
    ASSERT_TRUE(runUntil([&] { return server.endsWithin(0ms); }));
    EXPECT_EQ(server.signal(), SIGTERM);
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 2; }));
    EXPECT_TRUE(settled());
}

TEST_F(AppShell, WidgetCommandDuringAScanRunsAtOnceButItsRefreshIsDropped) {
    launch();
    ASSERT_TRUE(settled());
    scan.hold();
    delegate->refresh();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 2; }));

    Sleeper server;
    WidgetCommandQueue::enqueue(WidgetCommand::kill({server.pid()}, {server.pid()}));
    ASSERT_TRUE(runUntil([&] { return server.endsWithin(0ms); }));
    scan.release();
    ASSERT_TRUE(settled());
    runFor(200ms);
    EXPECT_EQ(scan.calls(), 2);
}

TEST_F(AppShell, NotificationWithAnEmptyQueueDoesNothing) {
    launch();
    ASSERT_TRUE(settled());
    AppDelegate::runWidgetCommands();
    runFor(100ms);
    EXPECT_EQ(scan.calls(), 1);
    EXPECT_FALSE(delegate->scanInFlight());
}

TEST_F(AppShell, NothingHappensOnceTheDelegateIsGone) {
    launch();
    ASSERT_TRUE(settled());
    delegate.reset();
    EXPECT_EQ(AppDelegate::shared(), nullptr);

    Sleeper server;
    WidgetCommandQueue::enqueue(WidgetCommand::kill({server.pid()}, {server.pid()}));
    AppDelegate::runWidgetCommands();
    runFor(200ms);
    EXPECT_FALSE(server.endsWithin(0ms));
    // The queue is left for the next launch.
    EXPECT_TRUE(std::filesystem::exists(*AppGroup::containerURL() / WidgetCommandQueue::fileName));
}

TEST_F(AppShell, AScanOutlivingTheDelegateStillFeedsTheTrackers) {
    scan.hold();
    scan.setProjects({DevProject{"shop", "/home/u/Development/shop", {server(4700, 3000)}}});
    launch();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 1; }));
    // Destroying the delegate waits for the scan: release it from another thread meanwhile.
    std::thread releaser([&] {
        std::this_thread::sleep_for(50ms);
        scan.release();
    });
    delegate.reset();
    releaser.join();
    runFor(100ms);  // the result arrives on the main queue with no delegate left
    EXPECT_TRUE(NewServerTracker::shared().firstSeen().contains(4700));
    const auto snapshot = DataStore::read();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->projects.size(), 1u);
}

TEST_F(AppShell, OpeningThePopoverEndsTheNewServerHighlight) {
    const DevProject before{"shop", "/home/u/Development/shop", {server(5100, 3000)}};
    scan.setProjects({before});
    launch();
    ASSERT_TRUE(settled());
    // Whatever the tracker knew before, everything seen so far is announced.
    delegate->togglePopover();
    delegate->togglePopover();

    DevProject after = before;
    after.servers.push_back(server(5200, 5173));
    scan.setProjects({after});
    delegate->refresh();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 2 && !delegate->scanInFlight(); }));
    ASSERT_EQ(delegate->statusController()->state(), StatusTile::State::newServer);
    EXPECT_EQ(toolTip(), QString::fromUtf8("Vellumark · new server on :5173"));

    delegate->togglePopover();
    EXPECT_TRUE(delegate->popover().isShown());
    EXPECT_TRUE(NewServerTracker::shared().notified().contains(5200));
    EXPECT_EQ(delegate->statusController()->state(), StatusTile::State::running);
    EXPECT_EQ(toolTip(), QString::fromUtf8("Vellumark · 2 servers running"));

    // While it stays open, no scan brings the announcement back.
    delegate->refresh();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 3 && !delegate->scanInFlight(); }));
    EXPECT_EQ(delegate->statusController()->state(), StatusTile::State::running);
}

TEST_F(AppShell, PopoverTogglesAndOwnsTheKeyMonitorWhileShown) {
    launch();
    ASSERT_TRUE(settled());
    EXPECT_FALSE(delegate->popover().isShown());
    EXPECT_FALSE(delegate->hasKeyMonitor());

    delegate->togglePopover();
    EXPECT_TRUE(delegate->popover().isShown());
    EXPECT_TRUE(delegate->hasKeyMonitor());
    EXPECT_EQ(delegate->popover().width(), 440);
    EXPECT_GE(delegate->popover().height(), Popover::minimumHeight);
    // Rounded by its shape, not by transparency.
    EXPECT_FALSE(delegate->popover().mask().isEmpty());
    EXPECT_FALSE(delegate->popover().mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(delegate->popover().mask().contains(QPoint(220, 20)));

    delegate->togglePopover();
    EXPECT_FALSE(delegate->popover().isShown());
    EXPECT_FALSE(delegate->hasKeyMonitor());

    // Closed another way (a click elsewhere, Escape): the monitor goes too.
    delegate->togglePopover();
    delegate->popover().close();
    EXPECT_FALSE(delegate->hasKeyMonitor());
}

TEST_F(AppShell, PopoverWithoutATrayOpensTopRightOrAtThePointer) {
    launch();
    ASSERT_TRUE(settled());
    ASSERT_FALSE(delegate->statusItem()->isVisible());  // off screen there is no tray

    delegate->togglePopover();  // the shortcut: no sender
    const QRect screen = delegate->popover().screen()->availableGeometry();
    EXPECT_EQ(delegate->popover().geometry().right(), screen.right() - 6);
    EXPECT_EQ(delegate->popover().geometry().top(), screen.top() + 6);
    delegate->togglePopover();
}

TEST_F(AppShell, PopoverOpensWithoutFocusInItsFields) {
    launch();
    ASSERT_TRUE(settled());
    auto* view = new QWidget;
    auto* field = new QLineEdit(view);
    (new QVBoxLayout(view))->addWidget(field);
    view->setFixedWidth(440);
    delegate->popover().setContentView(view);
    field->setFocus();
    ASSERT_EQ(delegate->popover().focusWidget(), field);

    delegate->togglePopover();
    runFor(100ms);
    EXPECT_EQ(delegate->popover().focusWidget(), nullptr);
    EXPECT_FALSE(field->hasFocus());
    delegate->togglePopover();
}

TEST_F(AppShell, TogglingBeforeTheStatusItemExistsDoesNothing) {
    delegate = std::make_unique<AppDelegate>(scan.function());
    delegate->togglePopover();
    EXPECT_FALSE(delegate->popover().isShown());
    EXPECT_EQ(scan.calls(), 0);
}

TEST_F(AppShell, FirstLaunchIsRecordedOnce) {
    launch();
    EXPECT_TRUE(delegate->isFirstLaunch());
    ASSERT_TRUE(settled());
    delegate.reset();
    launch();
    EXPECT_FALSE(delegate->isFirstLaunch());
    EXPECT_EQ(Platform::UserDefaults::standard().boolean(AppDelegate::launchedBeforeKey), true);
}

TEST_F(AppShell, UpdaterKeepsTheAutomaticCheckChoice) {
    launch();
    EXPECT_FALSE(AppUpdater::shared().automaticallyChecksForUpdates());
    AppUpdater::shared().setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(AppUpdater::shared().automaticallyChecksForUpdates());
    // Stored in the standard defaults' file, where another launch reads it.
    Platform::UserDefaults fresh(Platform::UserDefaults::standardDomain);
    EXPECT_EQ(fresh.boolean(AppUpdater::automaticChecksKey), true);
}

TEST_F(AppShell, StatusTileFollowsTheDisplayPreferences) {
    launch();
    ASSERT_TRUE(settled());
    delegate->togglePopover();
    delegate->togglePopover();
    DisplayPrefs prefs;
    prefs.flashNewServers = false;
    prefs.save(AppGroup::sharedDefaults());

    scan.setProjects({DevProject{"shop", "/home/u/Development/shop", {server(5300, 3000)}}});
    delegate->refresh();
    ASSERT_TRUE(runUntil([&] { return scan.calls() == 2 && !delegate->scanInFlight(); }));
    EXPECT_EQ(delegate->statusController()->state(), StatusTile::State::running);
}

}  // namespace
