// The application shell with a scan the test controls: the loop's one-scan-at-a-time rule, the
// snapshot and tray icon after a scan, a real scan whose tool hangs, and widget commands. Off
// screen, so there is no tray: the application must work anyway.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <thread>

#include <nlohmann/json.hpp>

#include "App/Panel/MenuContentView.h"
#include "App/Panel/Rows/ServerRowState.h"
#include "Core/Discovery/ProcessScanner.h"
#include "Core/Docker/DockerTool.h"
#include "Core/PanelModel/KeyNav.h"

#include "App/Shell/AppDelegate.h"
#include "App/Shell/Popover.h"
#include "Core/Trackers/KillTracker.h"
#include "Core/Trackers/KillWarning.h"
#include "Core/Trackers/NewServerTracker.h"
#include "Platform/AtomicFile.h"
#include "Platform/Dispatch.h"
#include "Platform/NotifyCenter.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "Shared/WidgetChannel/QueueLock.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "support/DevServers.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"

namespace {

using namespace std::chrono_literals;
using app_test::runUntil;
using testing_support::ChildProcess;

class AppShell : public ::testing::Test {
protected:
    void SetUp() override { app_test::installMainQueueOnQt(); }
    void TearDown() override {
        held = false;  // the delegate waits for a scan still running
        delegate.reset();
        // What the delegate left on the main queue has run once a task queued after it has.
        bool drained = false;
        Platform::Dispatch::mainAsync([&drained] { drained = true; });
        EXPECT_TRUE(runUntil([&] { return drained; }));
    }
    // The loop's scan counts its calls, waits while held, and returns `projects`.
    void launch() {
        delegate = std::make_unique<AppDelegate>([this] {
            if (onEnter) onEnter();
            ++calls;
            while (held) std::this_thread::sleep_for(1ms);
            return projects;
        });
        delegate->applicationDidFinishLaunching();
    }
    bool scanned(int count) {
        return runUntil([&] { return calls == count && !delegate->scanLoop().scanInFlight(); });
    }
    std::string toolTip() const { return delegate->statusItem()->toolTip().toStdString(); }

    testing_support::TempHome home;
    std::atomic<int> calls{0};
    std::atomic<bool> held{false};
    std::vector<DevProject> projects;  // set while no scan runs, or before releasing one
    std::function<void()> onEnter;     // on the scan queue as each scan begins; set before launch
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppShell, TicksDuringASlowScanStartNoSecondScanAndItsResultReachesTheTrayAndTheSnapshot) {
    const DevServer shop{4100, 4100, {4100}, "node", {3000}, {}, 0, 0, {}, {}, "/home/u/Development/shop", {}, {}, {}};
    const std::vector<DevProject> one = {{"shop", "/home/u/Development/shop", {shop}}};
    NewServerTracker::shared().update({4100}, std::chrono::system_clock::now());  // other tests feed it too
    NewServerTracker::shared().markAllNotified();
    // The second scan, whenever it comes, must be the one the tick after the first result asked for:
    // a tick of the slow scan run alongside it or queued behind it would enter before that tick.
    std::atomic<bool> tickedAfterResult{false}, secondScanWasAsked{false};
    onEnter = [&] {
        if (calls == 1) secondScanWasAsked = tickedAfterResult.load();
    };
    projects = one;
    held = true;
    launch();
    ASSERT_TRUE(runUntil([&] { return calls == 1; }));
    delegate->scanLoop().tick();
    delegate->scanLoop().tick();
    EXPECT_TRUE(delegate->scanLoop().scanInFlight());
    EXPECT_EQ(toolTip(), "Vellumark · no live servers");
    held = false;
    ASSERT_TRUE(runUntil([&] { return !delegate->lastProjects().empty() && !delegate->scanLoop().scanInFlight(); }));
    EXPECT_EQ(DataStore::read().value_or(ProcessSnapshot{}).projects, one);
    EXPECT_EQ(toolTip(), "Vellumark · 1 server running");
    tickedAfterResult = true;
    delegate->scanLoop().tick();
    ASSERT_TRUE(scanned(2));
    EXPECT_TRUE(secondScanWasAsked) << "a tick during the slow scan was queued, not dropped";
}

// The real scan with an lsof that hangs: at the tool's time limit the scan fails, the loop keeps the
// last snapshot and is free again, and the next tick's scan writes a new one.
TEST_F(AppShell, AScanWhoseToolHangsKeepsTheSnapshotAndTheNextTickScansAgain) {
    DockerScanner::Testing::setCLICandidates(std::vector<std::string>{});
    const auto earlier = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now() - 1h);
    DataStore::write(ProcessSnapshot{earlier, {}});
    const auto stored = [] { return DataStore::read().value_or(ProcessSnapshot{}).timestamp; };
    std::optional<testing_support::HangingTool> lsof(std::in_place);
    ProcessScanner::Testing::setTools(lsof->path(), std::nullopt);
    ProcessScanner::Testing::setTimeLimit(1s);
    Platform::LogCapture log;
    delegate = std::make_unique<AppDelegate>();
    delegate->applicationDidFinishLaunching();
    const bool freed = runUntil([&] { return !lsof->started().empty() && !delegate->scanLoop().scanInFlight(); }, 60s);
    ProcessScanner::Testing::setTools(std::nullopt, std::nullopt);
    ProcessScanner::Testing::setTimeLimit(std::nullopt);
    if (!freed) {
        lsof.reset();  // its end lets the scan go on
        FAIL() << "the loop is still waiting for the hung lsof";
    }
    EXPECT_EQ(stored(), earlier) << "a failed scan wrote a snapshot";
    EXPECT_TRUE(log.contains("Vellumark: shell timed out running " + lsof->path()));
    delegate->scanLoop().tick();
    EXPECT_TRUE(runUntil([&] { return stored() > earlier; }, 60s));
    DockerScanner::Testing::setCLICandidates(std::nullopt);
}

// The loop holds still while a menu is tracked and catches up, once, when it closes.
TEST_F(AppShell, TicksWhileAMenuIsOpenScanOnceTheMenuHasClosed) {
    launch();
    ASSERT_TRUE(scanned(1));
    // Qt fires timers in the order they fall due: once this one has fired, so has every look of the
    // held tick that was due before it.
    const auto afterLooksDue = [&](std::chrono::milliseconds looks) {
        bool fired = false;
        QObject scope;  // a wait that gives up takes the timer with it
        QTimer::singleShot(looks + 50ms, &scope, [&] { fired = true; });
        return runUntil([&] { return fired; });
    };
    QMenu menu;
    menu.addAction(QStringLiteral("Quit Vellumark"));
    menu.popup(QPoint(20, 20));
    ASSERT_TRUE(runUntil([&] { return QApplication::activePopupWidget() == &menu; }));
    delegate->scanLoop().tick();
    delegate->scanLoop().tick();
    ASSERT_TRUE(afterLooksDue(2 * ScanLoop::heldTickRecheck));
    EXPECT_TRUE(delegate->scanLoop().isTickHeld());
    EXPECT_FALSE(delegate->scanLoop().scanInFlight());
    EXPECT_EQ(calls.load(), 1) << "a scan under the open menu";
    menu.close();
    ASSERT_TRUE(scanned(2));
    ASSERT_TRUE(afterLooksDue(ScanLoop::heldTickRecheck));
    EXPECT_FALSE(delegate->scanLoop().isTickHeld());
    EXPECT_FALSE(delegate->scanLoop().scanInFlight());
    EXPECT_EQ(calls.load(), 2) << "two held ticks make one scan";
}

// The launch stores the hot key's default; showing and closing the panel each clear the keyboard
// selection, and the key monitor lives exactly while the panel is shown.
TEST_F(AppShell, LaunchStoresTheHotKeyAndThePanelStartsAndEndsWithoutASelection) {
    launch();
    EXPECT_EQ(Platform::UserDefaults::standard().string("GlobalShortcuts_togglePopover"),
              R"({"carbonKeyCode":35,"carbonModifiers":2304})");
    KeyNav::shared().select("4100:3000");
    delegate->togglePopover();
    ASSERT_TRUE(runUntil([&] { return delegate->popover().isShown(); }));
    EXPECT_EQ(KeyNav::shared().selectedID(), std::nullopt);
    EXPECT_TRUE(delegate->hasKeyMonitor());
    KeyNav::shared().select("4100:3000");
    delegate->togglePopover();
    ASSERT_TRUE(runUntil([&] { return !delegate->popover().isShown(); }));
    EXPECT_EQ(KeyNav::shared().selectedID(), std::nullopt);
    EXPECT_FALSE(delegate->hasKeyMonitor());
}

// The panel follows the loop: it reads each snapshot the loop writes before the trackers and the
// tray hear of that scan, not up to two seconds later at its own tick.
TEST_F(AppShell, TheShownPanelListsANewServerByTheTimeTheTrackersHearOfIt) {
    launch();
    ASSERT_TRUE(scanned(1));
    delegate->togglePopover();
    ASSERT_TRUE(runUntil([&] { return delegate->popover().isShown(); }));
    const PanelModel& panel = qobject_cast<MenuContentView*>(delegate->popover().contentView())->model();
    ASSERT_TRUE(panel.snapshot() && panel.snapshot()->projects.empty());
    projects = {{"web", "/home/u/Development/web", {testing_support::devServer(4200)}}};
    // The kill tracker is the last tracker fed, and tells its observers on the spot.
    std::vector<bool> listedWhenFed;
    const auto token = KillTracker::shared().subscribe(
        [&] { listedWhenFed.push_back(panel.snapshot() && panel.snapshot()->projects == projects); });
    delegate->scanLoop().tick();
    const bool applied = scanned(2);
    KillTracker::shared().unsubscribe(token);
    ASSERT_TRUE(applied);
    ASSERT_FALSE(listedWhenFed.empty());
    EXPECT_TRUE(listedWhenFed.back()) << "the trackers heard of the server before the panel listed it";
}

// On its way out a stopped server's row shows it stopping until the row goes. The loop's scan that
// no longer lists the server lets the kill tracker drop its mark: the panel must not be showing the
// older list then.
TEST_F(AppShell, AStoppedServersRowNeverTurnsBackIntoARunningRowBeforeItGoes) {
    KillWarning::acknowledge(false);
    ChildProcess process({"sleep", "60"});
    const DevServer server = testing_support::devServer(process.pid());
    projects = {{"shop", "/home/u/Development/shop", {server}}};
    launch();
    ASSERT_TRUE(scanned(1));
    delegate->togglePopover();
    ASSERT_TRUE(runUntil([&] { return delegate->popover().isShown(); }));
    PanelModel& panel = qobject_cast<MenuContentView*>(delegate->popover().contentView())->model();
    const auto listed = [&] { return panel.snapshot() && !panel.snapshot()->projects.empty(); };
    ASSERT_TRUE(listed());
    // Whenever the rows may change, a row the panel lists for the server shows it stopping.
    const std::string rowID = KeyNav::rowID(server.pid, 3000);
    int runningRows = 0;
    const auto look = [&] {
        if (listed() &&
            ServerRowState::derive(server, rowID, RowTrackerState::current(), std::nullopt).trailing(false) !=
                RowTrailing::processStopping)
            ++runningRows;
    };
    const auto killToken = KillTracker::shared().subscribe(look);
    const auto modelToken = panel.subscribe([&](const PanelModel::Changes&) { look(); });

    panel.killServer(server, 15);
    EXPECT_TRUE(process.waitForExit(5s));
    projects = {};  // before the panel's own rescans begin
    delegate->scanLoop().tick();
    const bool gone = runUntil([&] { return !listed(); });
    KillTracker::shared().unsubscribe(killToken);
    panel.unsubscribe(modelToken);
    ASSERT_TRUE(gone);
    EXPECT_EQ(runningRows, 0);
}

TEST_F(AppShell, WidgetCommandsQueuedBeforeLaunchRunBeforeTheFirstScanAndOnNotification) {
    ChildProcess target({"sleep", "60"}), later({"sleep", "60"});
    WidgetCommandQueue::enqueue(WidgetCommand::kill({target.pid()}, {target.pid()}));
    const auto queueFile = *AppGroup::containerURL() / WidgetCommandQueue::fileName;
    ASSERT_TRUE(std::filesystem::exists(queueFile));
    std::atomic<int> entered{0};
    std::atomic<bool> drainedFirst{false}, stoppedFirst{false};
    onEnter = [&] {
        if (entered++ > 0) return;
        drainedFirst = !std::filesystem::exists(queueFile);
        // Ended, or SIGTERM waits to be delivered to it.
        const auto pending =
            testing_support::signalMask(target.pid(), "SigPnd") | testing_support::signalMask(target.pid(), "ShdPnd");
        stoppedFirst = !testing_support::isRunning(target.pid()) || (pending >> (SIGTERM - 1) & 1);
    };
    launch();
    ASSERT_TRUE(scanned(1)) << "the launch's own refresh was dropped: the command's is the one scan";
    EXPECT_TRUE(drainedFirst);
    EXPECT_TRUE(stoppedFirst);
    ASSERT_TRUE(target.waitForExit(5s));
    EXPECT_EQ(target.terminatingSignal(), SIGTERM);

    WidgetCommandQueue::enqueue(WidgetCommand::kill({later.pid()}, {later.pid()}));  // posts the notification
    ASSERT_TRUE(runUntil([&] { return later.hasExited(); }));
    EXPECT_EQ(later.terminatingSignal(), SIGTERM);
    EXPECT_TRUE(scanned(2));
}

// A widget can end while it holds the queue's lock, after its command is in the file and its
// notification answered by a drain that found the queue busy: no notification comes again, and
// the application must come back for the command by itself.
TEST_F(AppShell, AWidgetCommandInAQueueFoundBusyIsExecutedOnceTheLockIsFree) {
    ChildProcess target({"sleep", "60"});
    launch();
    ASSERT_TRUE(scanned(1));
    const auto queueFile = *AppGroup::containerURL() / WidgetCommandQueue::fileName;
    Platform::LogCapture log;
    {
        const WidgetChannel::QueueLock widget(queueFile.string() + ".lock", 0ms);
        ASSERT_EQ(widget.state(), WidgetChannel::QueueLock::State::held);
        const std::vector<WidgetCommand> queued = {WidgetCommand::kill({target.pid()}, {target.pid()})};
        ASSERT_FALSE(Platform::writeFileAtomically(queueFile, nlohmann::json(queued).dump()));
        Platform::NotifyCenter::post(std::string(WidgetCommandQueue::notificationName));
        ASSERT_TRUE(runUntil(
            [&] { return log.contains("Vellumark: widget command queue is busy; draining it again shortly"); }));
    }
    ASSERT_TRUE(runUntil([&] { return target.hasExited(); }));
    EXPECT_EQ(target.terminatingSignal(), SIGTERM);
    EXPECT_FALSE(std::filesystem::exists(queueFile));
}

// Qt leaves pop-up windows out of what assistive technologies are shown; the popover is listed with
// the application's windows while it shows, as a window whose way up leads back to the application.
TEST(PopoverAccessibility, TheShownPopoverIsOneOfTheApplicationsWindows) {
    Popover popover;
    popover.setContentView(new QWidget);
    QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
    ASSERT_TRUE(application);
    const auto listed = [&] {
        for (int index = 0; index < application->childCount(); ++index)
            if (application->child(index) && application->child(index)->object() == &popover) return true;
        return false;
    };
    EXPECT_FALSE(listed());

    popover.showRelativeTo(QRect(100, 0, 20, 20));
    ASSERT_TRUE(listed());
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&popover);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->parent(), application);
    EXPECT_EQ(application->child(application->indexOfChild(window)), window);

    popover.close();
    EXPECT_FALSE(listed());
    EXPECT_EQ(application->indexOfChild(window), -1);
}

}  // namespace
