// The restarter against real processes: it signals real process groups, waits for them to go, and
// spawns the login shell in the server's folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "App/Restart/RestartTracker.h"
#include "App/Restart/ServerRestarter.h"
#include "Platform/SystemLog.h"
#include "Shared/Store/DataStore.h"
#include "restart/TestProcesses.h"
#include "support/TempHome.h"
#include "trackers/TrackerTestSupport.h"

namespace {

using namespace restart_support;
constexpr std::chrono::seconds patience{20};

DevServer serverOf(pid_t pid, std::vector<std::int32_t> group, const std::string& commandLine, const fs::path& cwd) {
    return {pid, pid, std::move(group), commandLine.substr(0, commandLine.find(' ')), {}, {}, 0, 0, {}, commandLine,
            cwd.string(), {}, {}, {}};
}

bool runs(pid_t pid, const std::string& program) {
    const auto info = processInfo(pid);
    return info && info->state != 'Z' && !info->arguments.empty() &&
           fs::path(info->arguments[0]).filename().string().starts_with(program);
}

class ServerRestarterTest : public tracker_support::MainThreadTest {
protected:
    void SetUp() override {
        MainThreadTest::SetUp();
        if (const char* shell = std::getenv("SHELL")) savedShell_ = shell;
        setenv("SHELL", "/bin/sh", 1);
    }
    void TearDown() override {
        for (pid_t group : spawned_) ::kill(-group, SIGKILL);
        // A restart still stopping in the background ends before the next test.
        waitFor([&] { return std::ranges::none_of(tracker.entries(), [](const RestartEntry& e) { return e.phase == RestartEntry::Phase::stopping(); }); });
        for (const RestartEntry& entry : tracker.entries()) tracker.remove(entry.id);
        drainMainQueue();
        savedShell_ ? setenv("SHELL", savedShell_->c_str(), 1) : unsetenv("SHELL");
        MainThreadTest::TearDown();
    }

    // Runs the main queue until the condition on the published entries holds.
    bool waitFor(const std::function<bool()>& condition) {
        return Platform::Dispatch::MainLoop::runUntil(condition, patience);
    }
    // The restart's entry once it was spawned (its group is killed at the end) or failed.
    std::optional<RestartEntry> waitForSpawn() {
        waitFor([&] { return !tracker.entries().empty() && (tracker.entries()[0].spawnedPID || tracker.entries()[0].phase.isFailed()); });
        if (tracker.entries().empty()) return std::nullopt;
        if (const auto pid = tracker.entries()[0].spawnedPID) spawned_.push_back(*pid);
        return tracker.entries()[0];
    }
    std::size_t logged(const std::string& text) const {
        const auto lines = log.lines();
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }
    // A server that ignores SIGTERM, as some do.
    std::unique_ptr<ChildProcess> startStubborn() {
        auto child = std::make_unique<ChildProcess>(std::vector<std::string>{"/bin/sh", "-c", "trap '' TERM; exec sleep 300"},
                                                    project.path());
        const pid_t pid = child->pid();
        EXPECT_TRUE(waitUntil([&] { return runs(pid, "sleep") && (signalMask(pid, "SigIgn") >> (SIGTERM - 1) & 1); }, patience));
        return child;
    }

    testing_support::TempHome home;
    testing_support::TempDir project;
    Platform::LogCapture log;
    RestartTracker& tracker = RestartTracker::shared();

private:
    std::optional<std::string> savedShell_;
    std::vector<pid_t> spawned_;
};

TEST_F(ServerRestarterTest, ARealServerComesBackUnderANewPidInItsFolderAndIsMatched) {
    if (::access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "python3 is not installed";
    setenv("SHELL", "/bin/bash", 1);
    const std::string port = std::to_string(freeLocalPort());
    ChildProcess original({"/usr/bin/python3", "-m", "http.server", port, "--bind", "127.0.0.1"}, project.path());
    ASSERT_TRUE(waitUntil([&] { return acceptsConnections(std::stoi(port)); }, patience));
    const DevServer server = serverOf(original.pid(), {original.pid()}, "python3 -m http.server " + port + " --bind 127.0.0.1",
                                      project.path());
    DataStore::write({std::chrono::system_clock::now(), {{"site", project.path().string(), {server}}}});

    ServerRestarter::restart(server, "site", project.path().string(), ServerRestarter::panelTimeout);

    const auto entry = waitForSpawn();
    ASSERT_TRUE(entry && entry->spawnedPID) << (entry ? entry->phase.message : "no entry");
    EXPECT_TRUE(entry->priorPIDs.contains(original.pid())) << "read from the last snapshot";
    EXPECT_EQ(entry->plan.shell, "/bin/bash");
    ASSERT_TRUE(original.waitForExit(patience));
    EXPECT_EQ(original.terminatingSignal(), SIGTERM);
    const pid_t spawned = *entry->spawnedPID;
    ASSERT_TRUE(waitUntil([&] { return runs(spawned, "python3") && acceptsConnections(std::stoi(port)); }, patience));

    // What a scan would now report for the folder, read from the system itself.
    std::vector<DevServer> found;
    for (const ProcessInfo& info : processesIn(project.path())) {
        found.push_back(serverOf(info.pid, {info.pid}, *server.commandLine, info.cwd));
        found.back().pgid = info.pgid;
    }
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].pgid, spawned) << "the relaunched shell leads its own group";
    const auto now = std::chrono::system_clock::now();
    tracker.reconcile({{"site", project.path().string(), found}}, now);
    EXPECT_TRUE(tracker.entries().empty());
    EXPECT_EQ(tracker.recentlyRestarted().at(spawned), now + std::chrono::seconds(10));
    EXPECT_TRUE(log.contains("Vellumark: restart python3, pgid " + std::to_string(original.pid()) + ", cwd " +
                             project.path().string()));
    EXPECT_TRUE(log.contains("Vellumark: restarted as pid " + std::to_string(spawned)));

    ::kill(-spawned, SIGKILL);
    EXPECT_TRUE(waitUntil([&] { return isGone(spawned); }, patience)) << "the restarter reaps its child";
}

TEST_F(ServerRestarterTest, TwoPressesStopOnlyTheGroupOnceAndSpawnOneCleanProcess) {
    // An inheritable descriptor and an ignored signal in the application must not reach the server.
    int leaked[2];
    ASSERT_EQ(::pipe(leaked), 0);
    const auto previousUSR1 = ::signal(SIGUSR1, SIG_IGN);
    ChildProcess leader({"/bin/sleep", "300"}, project.path());
    ChildProcess member({"/bin/sleep", "300"}, project.path(), leader.pid());
    ChildProcess departed({"/bin/sleep", "300"}, project.path());  // listed in the group, no longer in it
    const DevServer server = serverOf(leader.pid(), {leader.pid(), member.pid(), departed.pid()}, "sleep 300", project.path());

    ServerRestarter::restart(server, "p", project.path().string(), ServerRestarter::panelTimeout);
    ServerRestarter::restart(server, "p", project.path().string(), ServerRestarter::panelTimeout);
    const auto entry = waitForSpawn();
    ::signal(SIGUSR1, previousUSR1);
    ::close(leaked[0]);
    ::close(leaked[1]);

    ASSERT_TRUE(entry && entry->spawnedPID);
    ASSERT_TRUE(leader.waitForExit(patience) && member.waitForExit(patience));
    EXPECT_EQ(member.terminatingSignal(), SIGTERM);
    EXPECT_TRUE(isRunning(departed.pid()));
    EXPECT_EQ(logged("Vellumark: restart sleep") + logged("Vellumark: restarted as pid"), 2u);

    const pid_t spawned = *entry->spawnedPID;
    ASSERT_TRUE(waitUntil([&] { return runs(spawned, "sleep"); }, patience));
    EXPECT_EQ(processInfo(spawned)->pgid, spawned);
    EXPECT_EQ(processInfo(spawned)->cwd, project.path().string());
    EXPECT_EQ(openDescriptors(spawned), (std::map<int, std::string>{{0, "/dev/null"}, {1, "/dev/null"}, {2, "/dev/null"}}));
    // Signals 1 to 31; the C library's spawn itself leaves its two internal real-time signals ignored.
    EXPECT_EQ((signalMask(spawned, "SigIgn") | signalMask(spawned, "SigBlk")) & 0x7FFFFFFF, 0u);
}

TEST_F(ServerRestarterTest, AGroupThatIgnoresSIGTERMIsGivenUpAfterTheTimeoutAndKeepsRunning) {
    const auto stubborn = startStubborn();
    ServerRestarter::restart(serverOf(stubborn->pid(), {stubborn->pid()}, "sleep 300", project.path()), "p",
                             project.path().string(), Trackers::Seconds(0.6));
    ASSERT_TRUE(waitFor([&] { return tracker.entries().empty(); }));
    EXPECT_TRUE(log.contains("Vellumark: restart aborted — sleep ignored SIGTERM for 0s"));
    EXPECT_EQ(logged("restarted as pid"), 0u);
    EXPECT_TRUE(isRunning(stubborn->pid()));
}

TEST_F(ServerRestarterTest, CancellingWhileStoppingSpawnsNothing) {
    const auto stubborn = startStubborn();
    ServerRestarter::restart(serverOf(stubborn->pid(), {stubborn->pid()}, "sleep 300", project.path()), "p",
                             project.path().string(), Trackers::Seconds(60));
    ASSERT_EQ(tracker.entries().size(), 1u);
    tracker.cancel(tracker.entries()[0].id);
    ASSERT_TRUE(waitFor([&] { return tracker.entries().empty(); })) << "dropped at the waiter's next check";
    EXPECT_EQ(logged("restarted as pid") + logged("restart aborted"), 0u);
    EXPECT_TRUE(isRunning(stubborn->pid()));
}

TEST_F(ServerRestarterTest, ASpawnFailureIsRelaunchFailedAndRetryLaunchesAgain) {
    const fs::path shell = project.path() / "bin" / "login-shell";  // not there yet
    setenv("SHELL", shell.c_str(), 1);
    ChildProcess original({"/bin/sleep", "300"}, project.path());
    ServerRestarter::restart(serverOf(original.pid(), {original.pid()}, "sleep 300", project.path()), "p",
                             project.path().string(), ServerRestarter::panelTimeout);
    const auto failed = waitForSpawn();
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(failed->phase, RestartEntry::Phase::failed("relaunch failed"));
    EXPECT_TRUE(log.contains("Vellumark: restart spawn failed (" + std::to_string(ENOENT) + ") for " + shell.string()));

    fs::create_directories(shell.parent_path());
    fs::create_symlink("/bin/sh", shell);
    ServerRestarter::retry(failed->id);
    const auto retried = waitForSpawn();
    ASSERT_TRUE(retried && retried->spawnedPID);
    EXPECT_TRUE(waitUntil([&] { return runs(*retried->spawnedPID, "sleep"); }, patience));
    EXPECT_EQ(logged("Vellumark: restart sleep"), 1u) << "a retry stops nothing again";
}

TEST_F(ServerRestarterTest, ServersThatCannotBeRestartedAreIgnored) {
    DevServer container = serverOf(-5, {}, "docker: db — postgres", project.path());
    container.containerID = "abc123";
    for (const DevServer& server : {container, serverOf(4242, {4242}, "npm start; rm -rf ~", project.path()),
                                    serverOf(4243, {4243}, "npm start", "relative"), serverOf(0, {}, "npm start", "/w")}) {
        ServerRestarter::restart(server, "p", "/w", ServerRestarter::panelTimeout);
    }
    EXPECT_TRUE(tracker.entries().empty());
    EXPECT_FALSE(log.contains("Vellumark: restart "));
}

}  // namespace
