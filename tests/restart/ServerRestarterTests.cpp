// The restarter against real processes: it signals real process groups, waits for them to go, and
// spawns the login shell in the server's folder. A real server restarted from its row, listening
// again under a new pid, is in MenuContentViewTests.

#include <gtest/gtest.h>

#include "App/Restart/RestartLaunch.h"
#include "App/Restart/RestartTracker.h"
#include "App/Restart/ServerRestarter.h"
#include "Platform/SystemLog.h"
#include "discovery/support/TestProcesses.h"
#include "support/TempHome.h"
#include "trackers/TrackerTestSupport.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

DevServer serverOf(pid_t pid, std::vector<std::int32_t> group, const std::string& commandLine, const fs::path& cwd) {
    return {pid,
            pid,
            std::move(group),
            commandLine.substr(0, commandLine.find(' ')),
            {},
            {},
            0,
            0,
            {},
            commandLine,
            cwd.string(),
            {},
            {},
            {}};
}

bool runs(pid_t pid, const std::string& name) {
    const auto info = processInfo(pid).value_or(ProcessInfo{});
    return info.alive() && info.name.starts_with(name);
}

class ServerRestarterTest : public tracker_support::MainThreadTest {
protected:
    void SetUp() override {
        MainThreadTest::SetUp();
        setenv("SHELL", "/bin/sh", 1);
    }
    void TearDown() override {
        for (pid_t group : spawned_) ::kill(-group, SIGKILL);
        // A restart still stopping in the background ends before the next test.
        waitFor(
            [&] { return std::ranges::none_of(tracker.entries(), [](auto& e) { return e.phase.kind == stopping; }); });
        for (const RestartEntry& entry : tracker.entries()) tracker.remove(entry.id);
        drainMainQueue();
        MainThreadTest::TearDown();
    }

    // Runs the main queue, where the tracker publishes, until the condition holds.
    bool waitFor(const std::function<bool()>& condition) {
        return Platform::Dispatch::MainLoop::runUntil(condition, std::chrono::seconds(20));
    }
    // The restart's entry once it was spawned (its group is killed at the end) or failed.
    std::optional<RestartEntry> waitForSpawn() {
        waitFor([&] {
            const auto entries = tracker.entries();
            return !entries.empty() && (entries[0].spawnedPID || entries[0].phase.isFailed());
        });
        const auto entries = tracker.entries();
        if (!entries.empty() && entries[0].spawnedPID) spawned_.push_back(*entries[0].spawnedPID);
        return entries.empty() ? std::nullopt : std::optional(entries[0]);
    }
    std::size_t logged(const std::string& text) const {
        return std::ranges::count_if(log.lines(),
                                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }
    void restart(pid_t pid, Trackers::Seconds timeout = ServerRestarter::panelTimeout) {
        ServerRestarter::restart(serverOf(pid, {pid}, "sleep 300", project.path()), std::chrono::system_clock::now(),
                                 "p", project.path().string(), timeout);
    }
    // A server that ignores SIGTERM, as some do.
    std::unique_ptr<ChildProcess> startStubborn() {
        auto child =
            std::make_unique<ChildProcess>(Strings{"sh", "-c", "trap '' TERM; exec sleep 300"}, project.path());
        const pid_t pid = child->pid();
        EXPECT_TRUE(waitUntil([&] { return runs(pid, "sleep") && (signalMask(pid, "SigIgn") >> (SIGTERM - 1) & 1); }));
        return child;
    }

    static constexpr auto stopping = RestartEntry::Phase::Kind::stopping;
    using Strings = std::vector<std::string>;
    TempHome home;
    TempDir project;
    Platform::LogCapture log;
    RestartTracker& tracker = RestartTracker::shared();
    std::vector<pid_t> spawned_;  // groups killed at teardown
};

TEST_F(ServerRestarterTest, TwoPressesStopOnlyTheGroupOnceAndSpawnOneCleanProcess) {
    int leaked[2];  // an inheritable descriptor of the application, which the server must not get
    ASSERT_EQ(::pipe(leaked), 0);
    ChildProcess leader({"/bin/sleep", "300"}, project.path()),
        member({"/bin/sleep", "300"}, project.path(), leader.pid());
    ChildProcess departed({"/bin/sleep", "300"}, project.path());  // listed in the group, no longer in it
    const DevServer server =
        serverOf(leader.pid(), {leader.pid(), member.pid(), departed.pid()}, "sleep 300", project.path());
    const auto listedAt = std::chrono::system_clock::now();
    ServerRestarter::restart(server, listedAt, "p", project.path().string(), ServerRestarter::panelTimeout);
    ServerRestarter::restart(server, listedAt, "p", project.path().string(), ServerRestarter::panelTimeout);
    const auto entry = waitForSpawn();
    ::close(leaked[0]);
    ::close(leaked[1]);

    ASSERT_TRUE(entry && entry->spawnedPID);
    ASSERT_TRUE(leader.waitForExit(std::chrono::seconds(20)) && member.waitForExit(std::chrono::seconds(20)));
    EXPECT_EQ(member.terminatingSignal(), SIGTERM);
    EXPECT_TRUE(isRunning(departed.pid()));
    EXPECT_EQ(logged("Vellumark: restart sleep") + logged("Vellumark: restarted as pid"), 2u);
    const pid_t spawned = *entry->spawnedPID;
    ASSERT_TRUE(waitUntil([&] { return runs(spawned, "sleep"); }));
    EXPECT_EQ(processInfo(spawned)->pgid, spawned);
    EXPECT_EQ(processInfo(spawned)->cwd, project.path().string());
    const fs::path descriptors = "/proc/" + std::to_string(spawned) + "/fd";
    EXPECT_EQ(std::distance(fs::directory_iterator(descriptors), {}), 3);
    for (const char* fd : {"0", "1", "2"}) EXPECT_EQ(fs::read_symlink(descriptors / fd), "/dev/null") << fd;
}

// A restart chosen from a snapshot older than the process now at the server's number: the server it
// meant is gone, so the stop leaves that process alone and the restart goes on to start the server.
TEST_F(ServerRestarterTest, AProcessThatStartedAfterTheSnapshotIsNotStoppedAndCountsAsGone) {
    ChildProcess successor({"/bin/sleep", "300"}, project.path());
    ServerRestarter::restart(serverOf(successor.pid(), {successor.pid()}, "sleep 300", project.path()),
                             std::chrono::system_clock::now() - std::chrono::seconds(30), "p", project.path().string(),
                             ServerRestarter::panelTimeout);
    const auto entry = waitForSpawn();
    ASSERT_TRUE(entry && entry->spawnedPID);
    EXPECT_EQ(endedBy(successor), SIGUSR1);
    EXPECT_EQ(logged("Vellumark: not signalling pid " + std::to_string(successor.pid()) +
                     " — it started after the list it was chosen from"),
              1u);
}

// Cancelled while it waits, a restart spawns nothing; left alone, it gives up at its time limit.
TEST_F(ServerRestarterTest, AGroupThatIgnoresSIGTERMKeepsRunningWhenTheRestartIsCancelledOrTimesOut) {
    const auto stubborn = startStubborn();
    restart(stubborn->pid(), Trackers::Seconds(60));
    ASSERT_EQ(tracker.entries().size(), 1u);
    tracker.cancel(tracker.entries()[0].id);
    ASSERT_TRUE(waitFor([&] { return tracker.entries().empty(); })) << "dropped at the waiter's next check";
    EXPECT_EQ(logged("restarted as pid") + logged("restart aborted"), 0u);

    restart(stubborn->pid(), Trackers::Seconds(0.6));
    ASSERT_TRUE(waitFor([&] { return tracker.entries().empty(); }));
    EXPECT_TRUE(log.contains("Vellumark: restart aborted — sleep ignored SIGTERM for 0s"));
    EXPECT_EQ(logged("restarted as pid"), 0u);
    EXPECT_TRUE(isRunning(stubborn->pid()));
}

TEST_F(ServerRestarterTest, ASpawnFailureIsRelaunchFailedAndRetryLaunchesAgain) {
    const fs::path shell = project.path() / "bin" / "login-shell";  // not there yet
    setenv("SHELL", shell.c_str(), 1);
    ChildProcess original({"/bin/sleep", "300"}, project.path());
    restart(original.pid());
    const auto failed = waitForSpawn();
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(failed->phase, RestartEntry::Phase::failed("relaunch failed"));
    EXPECT_TRUE(log.contains("Vellumark: restart spawn failed (" + std::to_string(ENOENT) + ") for " + shell.string()));

    fs::create_directories(shell.parent_path());
    fs::create_symlink("/bin/sh", shell);
    ServerRestarter::retry(failed->id);
    const auto retried = waitForSpawn();
    ASSERT_TRUE(retried && retried->spawnedPID);
    EXPECT_TRUE(waitUntil([&] { return runs(*retried->spawnedPID, "sleep"); }));
    EXPECT_EQ(logged("Vellumark: restart sleep"), 1u) << "a retry stops nothing again";
    tracker.cancel(retried->id);  // relaunched: its whole group is stopped
    EXPECT_TRUE(waitUntil([&] { return !isRunning(*retried->spawnedPID); }));
}

// Only a group whose leader the restarter spawned and has not reaped is signalled: a number whose
// leader is gone may belong to a stranger by now.
TEST_F(ServerRestarterTest, OnlyItsOwnUnreapedSpawnIsStopped) {
    ChildProcess stranger({"/bin/sleep", "300"}, project.path());
    ServerRestarter::stopSpawnedGroup(stranger.pid());
    const auto shortLived = ServerRestarter::spawn({"/bin/sh", {"-l", "-c", "exec true"}, project.path().string()});
    ASSERT_TRUE(shortLived);
    ASSERT_TRUE(waitUntil([&] { return !processInfo(*shortLived); })) << "reaped";
    ServerRestarter::stopSpawnedGroup(*shortLived);  // nothing to stop, nothing signalled
    const auto server = ServerRestarter::spawn({"/bin/sh", {"-l", "-c", "exec sleep 300"}, project.path().string()});
    ASSERT_TRUE(server);
    spawned_.push_back(*server);
    ASSERT_TRUE(waitUntil([&] { return runs(*server, "sleep"); }));
    ServerRestarter::stopSpawnedGroup(*server);
    EXPECT_TRUE(waitUntil([&] { return !isRunning(*server); }));
    EXPECT_TRUE(runs(stranger.pid(), "sleep")) << "not ours";
}

}  // namespace
