// The panel's model on the main thread of the test: reading and scanning, the stop road with real
// process groups, the stored rules, and the rows handed to the keyboard.

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QDesktopServices>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>

#include "Core/PanelModel/KeyNav.h"
#include "Core/PanelModel/PanelModel.h"
#include "Core/Restart/RestartTracker.h"
#include "Core/Trackers/KillTracker.h"
#include "Core/Trackers/KillWarning.h"
#include "Core/Trackers/NewServerTracker.h"
#include "Platform/Dispatch.h"
#include "Platform/SystemLog.h"
#include "Shared/Settings/FilterRules.h"
#include "support/DevServers.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"
#include "support/UrlRecorder.h"
#include "trackers/TrackerTestSupport.h"

namespace {

using namespace std::chrono_literals;
namespace Dispatch = Platform::Dispatch;
using testing_support::ChildProcess;
using testing_support::endedBy;

class PanelModelTest : public tracker_support::MainThreadTest {
protected:
    PanelModel::Environment environment() {
        PanelModel::Environment env;
        env.scan = [this]() -> std::optional<std::vector<DevProject>> {
            ++scans;
            if (scanFails) return std::nullopt;
            return scanResult;
        };
        env.readSnapshot = [this] { return stored; };
        env.writeSnapshot = [this](const ProcessSnapshot& snapshot) {
            std::lock_guard lock(mutex);
            written = snapshot;
        };
        env.minimumScanningTime = 0ms;
        return env;
    }
    static bool runUntil(const std::function<bool()>& done, Dispatch::Clock::duration limit = 10s) {
        return Dispatch::MainLoop::runUntil(done, limit);
    }

    testing_support::TempHome home;
    std::atomic<int> scans{0};
    std::vector<DevProject> scanResult{{"shop", "/p/shop", {}}};
    std::atomic<bool> scanFails{false};
    std::optional<ProcessSnapshot> stored;
    std::mutex mutex;
    std::optional<ProcessSnapshot> written;
};

TEST_F(PanelModelTest, WithNothingToReadItScansOnceAndShowsTheResultNoSoonerThanTheIndicatorsMinimumUnlessItFails) {
    PanelModel::Environment env = environment();
    env.minimumScanningTime = 300ms;
    std::vector<DevProject> finished;
    env.scanFinished = [&](const std::vector<DevProject>& projects) { finished = projects; };
    PanelModel model(env);

    const auto start = Dispatch::Clock::now();
    model.appear();
    EXPECT_TRUE(model.isScanning());
    model.rescan();  // ignored while one runs
    ASSERT_TRUE(runUntil([&] { return !model.isScanning(); }));
    EXPECT_GE(Dispatch::Clock::now() - start, 300ms);
    EXPECT_EQ(scans, 1);
    ASSERT_TRUE(model.snapshot());
    EXPECT_EQ(model.snapshot()->projects, scanResult);
    EXPECT_EQ(finished, scanResult);
    {
        std::lock_guard lock(mutex);
        ASSERT_TRUE(written);
        EXPECT_EQ(written->projects, scanResult);
    }

    // A scan that fails (a tool hung) ends the scanning state and leaves everything else as it was.
    const std::vector<DevProject> shown = scanResult;
    scanResult = {};
    scanFails = true;
    finished.clear();
    model.rescan();
    ASSERT_TRUE(runUntil([&] { return !model.isScanning(); }));
    EXPECT_EQ(scans, 2);
    EXPECT_EQ(model.snapshot()->projects, shown);
    EXPECT_TRUE(finished.empty()) << "the application's bookkeeping got a failed scan";
    std::lock_guard lock(mutex);
    EXPECT_EQ(written->projects, shown);
}

TEST_F(PanelModelTest, AFileThatCannotBeReadTurnsThePanelBackToLoadingWithoutAScan) {
    stored = ProcessSnapshot{Platform::Date{}, scanResult};
    PanelModel model(environment());
    model.appear();
    ASSERT_TRUE(model.snapshot());
    EXPECT_FALSE(model.isScanning());
    stored.reset();
    model.tick();
    EXPECT_FALSE(model.snapshot());
    EXPECT_FALSE(model.isScanning());
    EXPECT_EQ(scans, 0);
}

// The file's timestamp and the loop scan's restart publishes change nothing on screen by themselves.
TEST_F(PanelModelTest, OnlyAChangeOfWhatThePanelShowsIsAnnounced) {
    stored = ProcessSnapshot{std::chrono::system_clock::now(), scanResult};
    PanelModel model(environment());
    model.appear();
    std::vector<PanelModel::Changes> changes;
    const PanelModel::Token token =
        model.subscribe([&](const PanelModel::Changes& change) { changes.push_back(change); });

    stored->timestamp += 5s;
    model.tick();
    RestartTracker::shared().reconcile(scanResult, std::chrono::system_clock::now());  // no entry, none changed
    EXPECT_TRUE(changes.empty());

    stored->projects[0].servers.push_back(testing_support::devServer(700, {3000}, "node", 0));
    model.tick();
    RestartEntry entry;
    entry.id = RestartEntry::makeID();
    entry.originalPID = 700;
    ASSERT_TRUE(RestartTracker::shared().begin(entry));
    RestartTracker::shared().remove(entry.id);
    EXPECT_EQ(changes, (std::vector<PanelModel::Changes>{PanelModel::snapshotChanged, PanelModel::restartsChanged,
                                                         PanelModel::restartsChanged}));
    model.unsubscribe(token);
}

// The scanning indicator holds a panel scan's result back half a second, long enough for a loop scan
// to end after it and be shown (and fed to the trackers) first. The older result then changes
// nothing when it comes: it would bring back a server the newer list no longer has.
TEST_F(PanelModelTest, APanelScanOvertakenByALoopScanLeavesTheNewerListShownAndUntold) {
    PanelModel::Environment env = environment();
    env.minimumScanningTime = 300ms;
    std::vector<std::vector<DevProject>> told;
    env.scanFinished = [&](const std::vector<DevProject>& projects) { told.push_back(projects); };
    scanResult = {{"shop", "/p/shop", {testing_support::devServer(4300)}}};
    stored = ProcessSnapshot{std::chrono::system_clock::now(), scanResult};
    PanelModel model(env);
    model.appear();
    model.rescan();
    ASSERT_TRUE(runUntil([&] {
        std::lock_guard lock(mutex);
        return written.has_value();
    }));
    stored = ProcessSnapshot{std::chrono::system_clock::now(), {}};
    model.snapshotWritten(stored->timestamp, true);
    ASSERT_TRUE(model.snapshot() && model.snapshot()->projects.empty());
    ASSERT_TRUE(runUntil([&] { return !model.isScanning(); }));
    EXPECT_TRUE(model.snapshot()->projects.empty()) << "the older scan's list came back";
    EXPECT_TRUE(told.empty()) << "the application heard of the older scan";

    // A later panel scan counts again; a loop snapshot older than it is not read.
    model.rescan();
    ASSERT_TRUE(runUntil([&] { return !model.isScanning(); }));
    EXPECT_EQ(model.snapshot()->projects, scanResult);
    ASSERT_EQ(told.size(), 1u);
    model.snapshotWritten(stored->timestamp, true);
    EXPECT_EQ(model.snapshot()->projects, scanResult);
}

// Which processes a stop reaches, and the warning card, are seen through the whole panel
// (MenuContentViewTests); here what the model does after it.
TEST_F(PanelModelTest, AStopIsRecordedAndRescannedThreeTimesUntilTheGroupIsGone) {
    KillWarning::acknowledge(false);
    ChildProcess leader({"sleep", "60"});
    const DevServer server = testing_support::devServer(leader.pid());
    stored = ProcessSnapshot{std::chrono::system_clock::now(), {{"shop", "/p/shop", {server}}}};
    PanelModel model(environment());
    model.appear();

    model.killServer(server, 15);
    EXPECT_FALSE(model.pendingKill());
    EXPECT_TRUE(KillTracker::shared().stopping().contains(leader.pid()));
    EXPECT_EQ(endedBy(leader), SIGTERM);
    ASSERT_TRUE(runUntil([&] { return scans == 3; }));
    // The scans no longer list the group: it is no longer stopping.
    EXPECT_FALSE(KillTracker::shared().stopping().contains(leader.pid()));
}

TEST_F(PanelModelTest, AStopThatReachesNoProcessIsNotRecordedButRescansAwayTheStaleRow) {
    KillWarning::acknowledge(false);
    Platform::LogCapture log;
    ChildProcess gone({"true"});
    ASSERT_TRUE(gone.waitForExit(10s));
    DevServer exited;
    exited.pid = exited.pgid = gone.pid();
    exited.groupPIDs = {gone.pid()};
    exited.ports = {3000};
    exited.command = "ghost";
    stored = ProcessSnapshot{Platform::Date{}, {{"shop", "/p/shop", {exited}}}};
    PanelModel model(environment());
    model.appear();
    ASSERT_EQ(scans, 0);
    for (const auto& [pid, pgid] : std::vector<std::pair<std::int32_t, std::int32_t>>{
             {gone.pid(), gone.pid()}, {-1, -1}, {0, 0}, {::getpid(), 0}, {1, 1}}) {
        DevServer server = exited;
        server.pid = pid;
        server.pgid = pgid;
        server.groupPIDs = {pid};
        model.performKill(server, 15, std::chrono::system_clock::now());
        EXPECT_FALSE(KillTracker::shared().stopping().contains(pgid)) << pid;
    }
    EXPECT_TRUE(log.contains("Vellumark: kill ghost, pgid -1, pids [-1]"));
    // The server had exited: the rescan that follows takes its row away.
    ASSERT_TRUE(runUntil([&] { return model.snapshot() && model.snapshot()->projects == scanResult; }));
    EXPECT_GE(scans, 1);

    DevServer keptAlive;
    keptAlive.pid = keptAlive.pgid = ::getpid();
    keptAlive.groupPIDs = {::getpid()};
    keptAlive.command = "redis-server";
    keptAlive.keptAlive = true;
    model.keyboardKill(keptAlive, std::chrono::system_clock::now());  // nothing at all, not even the warning
    EXPECT_FALSE(model.pendingKill());
    model.performKill(keptAlive, 9, std::chrono::system_clock::now());
    EXPECT_TRUE(log.contains("Vellumark: refusing to stop redis-server — launchd KeepAlive would restart it"));
}

// Until its first scan ends, the panel shows the snapshot the previous run left, whose numbers may
// belong to other processes by now: no stop road reaches a process that started after the snapshot
// it was chosen from, while a fresh snapshot listing the same process makes it stoppable.
TEST_F(PanelModelTest, StopsChosenFromASnapshotOlderThanTheProcessAtTheNumberLeaveItAlone) {
    Platform::LogCapture log;
    ChildProcess successor({"sleep", "60"});
    const DevServer server = testing_support::devServer(successor.pid());
    const DevProject shop{"shop", "/p/shop", {server}};
    stored = ProcessSnapshot{std::chrono::system_clock::now() - 60s, {shop}};
    PanelModel model(environment());
    model.appear();

    KillWarning::acknowledge(false);
    model.killServer(server, 15);
    model.killAllServers(shop);
    KeyNav::shared().select(KeyNav::rowID(server.pid, 3000));
    KeyNav::shared().activate(KeyNav::Command::kill);
    // The warning card keeps the time of the snapshot its stop was chosen from, whatever the panel
    // shows when it is answered.
    model.killServer(server, 9);
    ASSERT_TRUE(model.pendingKill());
    DevProject now = shop;
    now.servers[0].cpu = 1;
    stored = ProcessSnapshot{std::chrono::system_clock::now(), {now}};
    model.tick();
    model.confirmPendingKill();
    EXPECT_EQ(std::ranges::count(log.lines(), "Vellumark: not signalling pid " + std::to_string(server.pid) +
                                                  " — it started after the list it was chosen from"),
              4)
        << testing::PrintToString(log.lines());
    EXPECT_FALSE(KillTracker::shared().stopping().contains(server.pgid));

    model.killServer(model.snapshot()->projects.at(0).servers.at(0), 15);
    EXPECT_EQ(endedBy(successor), SIGTERM);
}

TEST_F(PanelModelTest, HidingAServerAddsItsCommandWithEveryOneOfItsPortsToTheStoredRules) {
    FilterRules before;
    before.ignoredPorts = {9999};
    before.hiddenServers = {"ruby:4000"};
    before.save(Platform::UserDefaults::standard());
    PanelModel model(environment());
    DevServer server;
    server.command = "node";
    server.ports = {3000, 3001};
    model.hideServer(server);
    before.hiddenServers = {"node:3000", "node:3001", "ruby:4000"};
    EXPECT_EQ(FilterRules::load(Platform::UserDefaults::standard()), before);
}

TEST_F(PanelModelTest, TheKeyboardGetsOneRowPerPortWithRestartOnlyWhereAPlanExists) {
    testing_support::TempDir shop;
    ChildProcess running({"/bin/sleep", "300"}, shop.path());
    ASSERT_TRUE(running.started());
    DevServer planned;
    planned.pid = planned.pgid = running.pid();
    planned.command = "sleep";
    planned.ports = {3000, 3001};
    planned.commandLine = "/bin/sleep 300";
    planned.cwd = shop.path().string();
    DevServer unplanned = planned;
    unplanned.pid = unplanned.pgid = 800;
    unplanned.ports = {4000};
    unplanned.commandLine = "node -e 'x'";  // quotes: no plan
    stored = ProcessSnapshot{Platform::Date{}, {{"shop", shop.path().string(), {planned, unplanned}}}};
    PanelModel model(environment());
    model.appear();

    const auto& rows = KeyNav::shared().rows();
    ASSERT_EQ(rows.size(), 3u);
    const auto row = [&](const std::string& id) {
        return std::ranges::find_if(rows, [&](const KeyNav::Row& r) { return r.id == id; });
    };
    const std::string planned3000 = std::to_string(planned.pid) + ":3000",
                      planned3001 = std::to_string(planned.pid) + ":3001";
    ASSERT_TRUE(row(planned3000) != rows.end() && row(planned3001) != rows.end() && row("800:4000") != rows.end());
    EXPECT_EQ(row(planned3001) - row(planned3000), 1) << "a server's rows follow its ports";
    EXPECT_TRUE(row(planned3000)->restart && row(planned3001)->restart);
    EXPECT_FALSE(row("800:4000")->restart);
    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
    KeyNav::shared().select("800:4000");
    KeyNav::shared().activate(KeyNav::Command::open);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    EXPECT_EQ(browser.opened, QList<QUrl>{QUrl(QStringLiteral("http://localhost:4000"))});
    EXPECT_TRUE(NewServerTracker::shared().acknowledged().contains(800));
}

}  // namespace
