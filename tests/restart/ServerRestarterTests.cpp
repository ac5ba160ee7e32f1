// The restarter against real processes: it signals real process groups, waits for them to go, and
// spawns the login shell in the server's folder with the server's exact arguments; a restart that
// could not bring the server back is neither offered nor done. A real server restarted from its row,
// listening again under a new pid, is in MenuContentViewTests.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Core/Restart/RestartLaunch.h"
#include "Core/Restart/RestartReadiness.h"
#include "Core/Restart/RestartTracker.h"
#include "Core/Restart/ServerRestarter.h"
#include "Platform/ProcessRunner.h"
#include "Platform/SystemLog.h"
#include "Shared/ScanText.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"
#include "trackers/TrackerTestSupport.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// The command line as the scan reads it: ps's text of the process, trimmed.
std::string psCommandLine(pid_t pid) {
    std::string text = Platform::runProcess(
                           {"/bin/ps", {"-ww", "-o", "command=", "-p", std::to_string(pid)}, std::chrono::seconds(10)})
                           .output;
    if (text.ends_with('\n')) text.pop_back();
    return std::string(ScanText::trimSpacesAndTabs(text));
}

// The process as the scan reports it: its short name, ps's command line and the folder it runs in.
DevServer serverOf(pid_t pid, std::vector<std::int32_t> group, const fs::path& cwd) {
    DevServer server;
    server.pid = server.pgid = pid;
    server.groupPIDs = std::move(group);
    server.command = processInfo(pid).value_or(ProcessInfo{}).name;
    server.commandLine = psCommandLine(pid);
    server.cwd = cwd.string();
    return server;
}

// Whether the panel offers a restart for the server (its row's button, the R key).
bool offersRestart(const DevServer& server) { return ServerRestarter::currentPlan(server).has_value(); }

bool runs(pid_t pid, const std::string& name) {
    const auto info = processInfo(pid).value_or(ProcessInfo{});
    return info.alive() && info.name.starts_with(name);
}

// Notes the arguments it got (after the interpreter's own) as one JSON line in its folder, then waits.
constexpr const char* recorder = R"(import json, sys, time
with open("arguments.log", "a") as log: log.write(json.dumps(sys.argv) + "\n")
time.sleep(300)
)";

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
        ServerRestarter::restart(serverOf(pid, {pid}, project.path()), std::chrono::system_clock::now(), "p",
                                 project.path().string(), timeout);
    }
    // A server that ignores SIGTERM, as some do.
    std::unique_ptr<ChildProcess> startStubborn() {
        auto child =
            std::make_unique<ChildProcess>(Strings{"sh", "-c", "trap '' TERM; exec sleep 300"}, project.path());
        const pid_t pid = child->pid();
        EXPECT_TRUE(waitUntil([&] {
            return processInfo(pid).value_or(ProcessInfo{}).arguments == Strings{"sleep", "300"} &&
                   (signalMask(pid, "SigIgn") >> (SIGTERM - 1) & 1);
        }));
        return child;
    }
    // The recorder in `folder`, started by `argv` (which runs it), once it has noted its arguments.
    std::unique_ptr<ChildProcess> startRecorder(const Strings& argv, const fs::path& folder) {
        std::ofstream(folder / "record.py") << recorder;
        const std::size_t before = recorded(folder).size();
        auto child = std::make_unique<ChildProcess>(argv, folder);
        EXPECT_TRUE(waitUntil([&] { return recorded(folder).size() == before + 1; })) << argv.back();
        return child;
    }
    static Strings recorded(const fs::path& folder) {
        std::ifstream log(folder / "arguments.log");
        Strings lines;
        for (std::string line; std::getline(log, line);) lines.push_back(line);
        return lines;
    }

    static constexpr auto stopping = RestartEntry::Phase::Kind::stopping;
    TempHome home;
    TempDir project;
    Platform::LogCapture log;
    RestartTracker& tracker = RestartTracker::shared();
    std::vector<pid_t> spawned_;  // groups killed at teardown
};

// The relaunch gets the server's arguments as they were: one holding a space stays one, a tilde is
// not the home folder, an empty one stays.
TEST_F(ServerRestarterTest, TheRelaunchRunsTheServersExactArguments) {
    if (!python3()) GTEST_SKIP() << "no python3";
    const auto original = startRecorder({*python3(), "record.py", "a b", "", "~/x", "--port=3000"}, project.path());
    EXPECT_TRUE(offersRestart(serverOf(original->pid(), {original->pid()}, project.path())));
    restart(original->pid());
    const auto entry = waitForSpawn();
    ASSERT_TRUE(entry && entry->spawnedPID);
    ASSERT_TRUE(waitUntil([&] { return recorded(project.path()).size() == 2; }));
    const Strings lines = recorded(project.path());
    EXPECT_EQ(nlohmann::json::parse(lines[1]), nlohmann::json::parse(lines[0]));
    EXPECT_EQ(nlohmann::json::parse(lines[0]), (nlohmann::json{"record.py", "a b", "", "~/x", "--port=3000"}));
}

// A restart that could not bring the server back is not offered, and one asked for anyway stops
// nothing: the server keeps running.
TEST_F(ServerRestarterTest, NoRestartIsOfferedOrDoneThatCouldNotBringTheServerBack) {
    if (!python3()) GTEST_SKIP() << "no python3";
    const TempDir elsewhere;
    const fs::path gone = elsewhere.path() / "gone";
    fs::create_directories(gone);
    struct Case {
        const char* what;
        std::unique_ptr<ChildProcess> server;
        fs::path folder;
        const char* shell = "/bin/sh";
    };
    Case cases[] = {
        // A process that set its own title: its first argument names no program, or another one.
        {"titled", startRecorder({"bash", "-c", "exec -a 'touch X' " + *python3() + " record.py"}, project.path()),
         project.path()},
        {"titled as another program",
         startRecorder({"bash", "-c", "exec -a touch " + *python3() + " record.py Y"}, project.path()), project.path()},
        // ps shows the line break as a space; the restart would run two arguments for one.
        {"line break", startRecorder({*python3(), "record.py", "l1\nl2"}, project.path()), project.path()},
        {"folder deleted", startRecorder({*python3(), "record.py"}, gone), gone},
        {"no login shell", startRecorder({*python3(), "record.py", "z"}, project.path()), project.path(),
         "/nonexistent/bin/zsh"},
    };
    fs::remove_all(gone);
    for (Case& c : cases) {
        setenv("SHELL", c.shell, 1);
        const pid_t pid = c.server->pid();
        const DevServer server = serverOf(pid, {pid}, c.folder);
        EXPECT_FALSE(offersRestart(server)) << c.what;
        ServerRestarter::restart(server, std::chrono::system_clock::now(), "p", c.folder.string(),
                                 ServerRestarter::panelTimeout);
        EXPECT_EQ(logged("Vellumark: restart "), 0u) << c.what;
        drainMainQueue();
        EXPECT_TRUE(tracker.entries().empty()) << c.what;
        EXPECT_TRUE(isRunning(pid)) << c.what;
    }
    for (const char* touched : {"X", "Y"}) EXPECT_FALSE(fs::exists(project.path() / touched)) << touched;
}

// An upgrade replaces a program under a running server: the file at the same place still counts as
// the server's program, found relative to its folder as its first argument names it. Once nothing
// is there, nothing could bring the server back.
TEST_F(ServerRestarterTest, AServerWhoseProgramWasReplacedSinceItStartedCanBeRestarted) {
    const fs::path program = project.path() / "serve";
    fs::copy_file("/bin/sleep", program);
    ChildProcess server({"./serve", "300"}, project.path());
    ASSERT_TRUE(server.started());
    fs::remove(program);
    fs::copy_file("/bin/sleep", program);
    ASSERT_TRUE(fs::read_symlink("/proc/" + std::to_string(server.pid()) + "/exe").string().ends_with(" (deleted)"));
    EXPECT_TRUE(offersRestart(serverOf(server.pid(), {server.pid()}, project.path())));
    fs::remove(program);
    EXPECT_FALSE(offersRestart(serverOf(server.pid(), {server.pid()}, project.path())));
}

TEST_F(ServerRestarterTest, TwoPressesStopOnlyTheGroupOnceAndSpawnOneCleanProcess) {
    int leaked[2];  // an inheritable descriptor of the application, which the server must not get
    ASSERT_EQ(::pipe(leaked), 0);
    ChildProcess leader({"/bin/sleep", "300"}, project.path()),
        member({"/bin/sleep", "300"}, project.path(), leader.pid());
    ChildProcess departed({"/bin/sleep", "300"}, project.path());  // listed in the group, no longer in it
    ASSERT_TRUE(leader.started());
    const DevServer server = serverOf(leader.pid(), {leader.pid(), member.pid(), departed.pid()}, project.path());
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
    ASSERT_TRUE(successor.started());
    ServerRestarter::restart(serverOf(successor.pid(), {successor.pid()}, project.path()),
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

// The login shell goes while the server is being stopped: its spawn fails, and a retry once the shell
// is back launches without a second stop.
TEST_F(ServerRestarterTest, ASpawnFailureIsRelaunchFailedAndRetryLaunchesAgain) {
    const fs::path shell = project.path() / "bin" / "login-shell";
    fs::create_directories(shell.parent_path());
    fs::create_symlink("/bin/sh", shell);
    setenv("SHELL", shell.c_str(), 1);
    // On SIGTERM it holds on until released.
    std::ofstream(project.path() / "hold.sh")
        << "trap 'while [ ! -e release ]; do sleep 0.05; done; exit 0' TERM\nwhile :; do sleep 0.1; done\n";
    ChildProcess original({"/bin/sh", "hold.sh"}, project.path());
    ASSERT_TRUE(waitUntil([&] { return processInfo(original.pid())->arguments == Strings{"/bin/sh", "hold.sh"}; }));
    restart(original.pid());
    ASSERT_EQ(logged("Vellumark: restart sh"), 1u);
    fs::remove(shell);
    std::ofstream(project.path() / "release").flush();
    const auto failed = waitForSpawn();
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(failed->phase, RestartEntry::Phase::failed("relaunch failed"));
    EXPECT_TRUE(log.contains("Vellumark: restart spawn failed (" + std::to_string(ENOENT) + ") for " + shell.string()));

    fs::create_symlink("/bin/sh", shell);
    ServerRestarter::retry(failed->id);
    const auto retried = waitForSpawn();
    ASSERT_TRUE(retried && retried->spawnedPID);
    EXPECT_TRUE(waitUntil([&] {
        return processInfo(*retried->spawnedPID)->arguments == Strings{"/bin/sh", "hold.sh"};
    }));
    EXPECT_EQ(logged("Vellumark: restart sh"), 1u) << "a retry stops nothing again";
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
