// DockerScanner against the real docker client talking to a fake daemon, and against stand-in
// tools that hang, fail to start, print garbage or record how they were run.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "App/Docker/DockerScanner.h"
#include "App/Docker/DockerTool.h"
#include "Platform/Dispatch.h"
#include "Platform/SystemLog.h"
#include "docker/support/FakeDockerDaemon.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Lines = std::vector<std::string>;
namespace MainLoop = Platform::Dispatch::MainLoop;

namespace {

// Clears a variable for the test and puts it back afterwards.
class ScopedVariable {
public:
    explicit ScopedVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) saved_ = value;
        unsetenv(name);
    }
    ~ScopedVariable() { saved_ ? setenv(name_, saved_->c_str(), 1) : unsetenv(name_); }
    void set(const std::string& value) { setenv(name_, value.c_str(), 1); }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

fs::path writeExecutable(const fs::path& path, const std::string& contents) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

bool anyStartsWith(const Lines& lines, const std::string& prefix) {
    return std::ranges::any_of(lines, [&](const auto& line) { return line.starts_with(prefix); });
}

Lines dockerLogLines(const Platform::LogCapture& log) {
    Lines lines;
    std::ranges::copy_if(log.lines(), std::back_inserter(lines), [](auto& l) { return l.starts_with("Vellumark: docker"); });
    return lines;
}

bool systemSocket() { return fs::exists("/var/run/docker.sock"); }

const std::string webID = "3f4e8a1c9b2d7e6f5a4b3c2d1e0f9a8b7c6d5e4f3a2b1c0d9e8f7a6b5c4d3e2f";
const std::string redisID = "a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d7e8f90";
const std::string gatewayID = "c0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ff";

class DockerScannerTest : public testing::Test {
protected:
    void SetUp() override {
        DockerScanner::Testing::setCLICandidates(std::nullopt);
        Platform::Dispatch::MainQueue::reset();
    }
    void TearDown() override { DockerScanner::Testing::setCLICandidates(std::nullopt); }

    fs::path homeSocket() const { return home.home() / ".docker/run/docker.sock"; }
    void touchHomeSocket() const {
        fs::create_directories(homeSocket().parent_path());
        std::ofstream(homeSocket()).flush();  // any file there counts as a socket
    }

    // The fake daemon at `socket` (the home socket by default), with DOCKER_HOST pointing the client at it.
    std::unique_ptr<testing_support::FakeDockerDaemon> startDaemon(std::optional<fs::path> socket = {}) {
        std::string containers = testing_support::readTextFile(std::string(DOCKER_FIXTURES) + "/daemon-containers.json");
        for (auto at = containers.find("@HOME@"); at != std::string::npos; at = containers.find("@HOME@"))
            containers.replace(at, 6, home.home().string());
        auto daemon = std::make_unique<testing_support::FakeDockerDaemon>(socket.value_or(homeSocket()), containers);
        dockerHost.set("unix://" + daemon->socketPath().string());
        return daemon;
    }

    void useTool(const fs::path& tool) { DockerScanner::Testing::setCLICandidates({{tool.string()}}); }
    fs::path tool(const std::string& script) { return writeExecutable(tools.path() / "docker", "#!/bin/sh\n" + script); }

    // A stand-in that writes its arguments, one per line, and LC_ALL to a file, and prints nothing.
    fs::path recordingTool() {
        return tool("for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + recordPath().string() +
                    "'\necho \"LC_ALL=$LC_ALL\" >> '" + recordPath().string() + "'\n");
    }
    fs::path recordPath() const { return tools.path() / "record.txt"; }
    Lines recordedLines() const {
        Lines lines;
        std::ifstream file(recordPath());
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }

    testing_support::TempHome home;
    testing_support::TempDir tools;
    ScopedVariable dockerHost{"DOCKER_HOST"}, dockerContext{"DOCKER_CONTEXT"}, dockerConfig{"DOCKER_CONFIG"};
};

// ---- The real client against the fake daemon --------------------------------------------------------

class RealClientTest : public DockerScannerTest, public testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        DockerScannerTest::SetUp();
        if (access(GetParam().c_str(), X_OK) != 0) GTEST_SKIP() << GetParam() << " is not installed";
        useTool(GetParam());
    }
};

TEST_P(RealClientTest, ScanListsTheRunningContainersThatPublishAHostPort) {
    const auto daemon = startDaemon();
    // postgres publishes nothing, "ranged" only a range, "ephemeral" a port above 49151, and
    // "paused-api" is paused: none of them is a server.
    const auto containers = DockerScanner::scan();
    const std::vector<DockerParsing::Container> expected{
        {webID, "shop-web-1", "ghcr.io/acme/shop-web:1.2", {3000}, (home.home() / "Development/shop").string(), 300},
        {redisID, "redis", "redis:7", {6379}, std::nullopt, 7200},
        {gatewayID, "gateway", "docker.io/library/nginx:1.25", {443, 8080}, std::nullopt, 1209600},
    };
    EXPECT_EQ(containers, expected);
    // Only running containers were asked for (no "all").
    const auto calls = daemon->calls();
    EXPECT_TRUE(anyStartsWith(calls, "GET /v1.41/containers/json")) << testing::PrintToString(calls);
    for (const auto& call : calls) EXPECT_EQ(call.find("all="), std::string::npos) << call;

    EXPECT_EQ(DockerParsing::devServer(containers.at(2)).uptimeText(), "up 14d 0h");
}

TEST_P(RealClientTest, StopKillAndRestartReachTheDaemonAndCompleteOnTheMainQueue) {
    const auto daemon = startDaemon();
    int completions = 0;
    bool allOnMainThread = true;
    const auto completion = [&] {
        allOnMainThread = allOnMainThread && Platform::Dispatch::isMainThread();
        ++completions;
    };
    DockerScanner::stop(webID, /*force=*/false, completion);
    ASSERT_TRUE(MainLoop::runUntil([&] { return completions == 1; }, 60s));
    DockerScanner::stop(redisID, /*force=*/true, completion);
    ASSERT_TRUE(MainLoop::runUntil([&] { return completions == 2; }, 60s));
    DockerScanner::restart(gatewayID, completion);
    ASSERT_TRUE(MainLoop::runUntil([&] { return completions == 3; }, 60s));
    DockerScanner::stop("no-such-container", false, completion);  // a failed action still completes
    ASSERT_TRUE(MainLoop::runUntil([&] { return completions == 4; }, 60s));
    EXPECT_TRUE(allOnMainThread);

    const auto calls = daemon->calls();
    for (const auto& call : {"/" + webID + "/stop", "/" + redisID + "/kill", "/" + gatewayID + "/restart",
                             std::string("/no-such-container/stop")})
        EXPECT_TRUE(anyStartsWith(calls, "POST /v1.41/containers" + call)) << testing::PrintToString(calls);

    // The next scan shows the outcome: the stopped and killed containers are gone.
    const auto containers = DockerScanner::scan();
    ASSERT_EQ(containers.size(), 1u);
    EXPECT_EQ(containers[0].id, gatewayID);
}

TEST_P(RealClientTest, ASocketWithoutDaemonGivesNoContainersAndNoDiagnostic) {
    touchHomeSocket();
    dockerHost.set("unix://" + homeSocket().string());
    Platform::LogCapture log;
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_TRUE(dockerLogLines(log).empty()) << testing::PrintToString(log.lines());
}

TEST_P(RealClientTest, ADaemonOnlyDockerHostNamesIsScanned) {
    const auto daemon = startDaemon(tools.path() / "run/docker.sock");
    EXPECT_EQ(DockerScanner::scan().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Clients, RealClientTest, testing::Values("/usr/local/bin/docker", "/usr/bin/docker"),
                         [](const auto& info) { return info.index ? "UsrBin" : "UsrLocalBin"; });

TEST_F(DockerScannerTest, TheRealCandidateListFindsAnInstalledClient) {
    EXPECT_EQ(DockerScanner::cliCandidates(), (Lines{"/usr/local/bin/docker", "/opt/homebrew/bin/docker",
                                                     home.home().string() + "/.docker/bin/docker", "/usr/bin/docker"}));
    if (!DockerScanner::cli()) GTEST_SKIP() << "no docker client installed";
    const auto daemon = startDaemon();
    EXPECT_EQ(DockerScanner::scan().size(), 3u);
}

// ---- The socket test --------------------------------------------------------------------------------

TEST_F(DockerScannerTest, TheHomeSocketOrTheUnixSocketOfDockerHostCounts) {
    if (systemSocket()) GTEST_SKIP() << "this machine has a Docker socket";
    const auto socket = tools.path() / "podman.sock";
    dockerHost.set("unix://" + socket.string());
    EXPECT_FALSE(DockerScanner::socketPresent());
    std::ofstream(socket).flush();
    EXPECT_TRUE(DockerScanner::socketPresent());
    dockerHost.set("tcp://127.0.0.1:2375");
    EXPECT_FALSE(DockerScanner::socketPresent());
    dockerHost.set("unix://");
    EXPECT_FALSE(DockerScanner::socketPresent());
    touchHomeSocket();
    EXPECT_TRUE(DockerScanner::socketPresent());
}

TEST_F(DockerScannerTest, WithoutASocketTheToolIsNotRun) {
    if (systemSocket()) GTEST_SKIP() << "this machine has a Docker socket";
    useTool(recordingTool());
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_FALSE(fs::exists(recordPath()));
}

// ---- Stand-in tools ---------------------------------------------------------------------------------

TEST_F(DockerScannerTest, TheListingRunsWithTheExactArgumentsAndCLocale) {
    touchHomeSocket();
    useTool(recordingTool());
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_EQ(recordedLines(), (Lines{"ps", "--no-trunc", "--format", "{{json .}}", "LC_ALL=C"}));
}

TEST_F(DockerScannerTest, AListingThatHangsIsAbandonedAfterThreeSecondsAndTerminated) {
    touchHomeSocket();
    const auto pidFile = tools.path() / "pid";
    useTool(tool("echo $$ > '" + pidFile.string() + "'\nexec sleep 120\n"));
    Platform::LogCapture log;
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_EQ(dockerLogLines(log), Lines{"Vellumark: docker ps timed out after 3s"});

    const pid_t pid = std::stoi(testing_support::readTextFile(pidFile));
    for (auto deadline = std::chrono::steady_clock::now() + 20s;
         kill(pid, 0) == 0 && std::chrono::steady_clock::now() < deadline;)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST_F(DockerScannerTest, AToolThatCannotStartIsLoggedAndUnreadableOutputGivesNothing) {
    touchHomeSocket();
    useTool(writeExecutable(tools.path() / "docker", "this is not a program\n"));
    Platform::LogCapture log;
    EXPECT_TRUE(DockerScanner::scan().empty());
    const std::string launchError = "Vellumark: docker launch error (ps): ";
    const auto lines = dockerLogLines(log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with(launchError) && lines[0].size() > launchError.size()) << lines[0];

    log.clear();
    useTool(tool("printf '{\"ID\":\"a\",\"Image\":\"i\",\"Names\":\"n\",\"Ports\":\"0.0.0.0:3000->3000/tcp\"}\\n\\377\\n'\n"));
    EXPECT_TRUE(DockerScanner::scan().empty()) << "output that is not UTF-8";
    EXPECT_TRUE(dockerLogLines(log).empty());
}

TEST_F(DockerScannerTest, TheExitStatusIsNotLookedAtAndALargeListingIsReadToTheEnd) {
    touchHomeSocket();
    const auto listing = tools.path() / "listing.jsonl";
    {
        std::ofstream out(listing);
        out << "Error response from daemon: partial listing\n";
        for (int port = 1; port <= 6000; ++port)
            out << "{\"ID\":\"" << std::string(64, 'a') << port << "\",\"Image\":\"registry.example/team/app:1\","
                << "\"Names\":\"app-" << port << "\",\"Ports\":\"0.0.0.0:" << port << "->80/tcp, :::" << port
                << "->80/tcp\",\"State\":\"running\",\"RunningFor\":\"2 hours ago\",\"Labels\":\"a=b,c=d\"}\n";
    }
    useTool(tool("cat '" + listing.string() + "'\nexit 1\n"));
    const auto containers = DockerScanner::scan();
    ASSERT_EQ(containers.size(), 6000u);
    EXPECT_EQ(containers.back().hostPorts, std::vector<int>{6000});
}

// ---- Locating the tool ------------------------------------------------------------------------------

TEST_F(DockerScannerTest, TheFirstExecutableFileAmongTheCandidatesIsUsedAndRemembered) {
    fs::create_directories(tools.path() / "folder");
    std::ofstream(tools.path() / "plain") << "#!/bin/sh\n";
    const auto second = writeExecutable(tools.path() / "second/docker", "#!/bin/sh\n");
    const auto late = tools.path() / "third/docker";
    DockerScanner::Testing::setCLICandidates({{(tools.path() / "missing/docker").string(),
                                               (tools.path() / "folder").string(), (tools.path() / "plain").string(),
                                               late.string(), second.string()}});
    EXPECT_EQ(DockerScanner::cli(), second.string());
    writeExecutable(late, "#!/bin/sh\n");
    EXPECT_EQ(DockerScanner::cli(), second.string()) << "installed while running: seen after a relaunch";
    fs::remove(second);
    EXPECT_EQ(DockerScanner::cli(), second.string());
    DockerScanner::Testing::resetCLICache();
    EXPECT_EQ(DockerScanner::cli(), late.string());

    useTool(tools.path() / "missing/docker");
    EXPECT_EQ(DockerScanner::cli(), std::nullopt);
    writeExecutable(tools.path() / "missing/docker", "#!/bin/sh\n");
    EXPECT_EQ(DockerScanner::cli(), std::nullopt) << "not found is remembered too";
}

TEST_F(DockerScannerTest, AFirstLookupFromManyThreadsAgrees) {
    useTool(writeExecutable(tools.path() / "docker", "#!/bin/sh\n"));
    std::vector<std::optional<std::string>> results(16);
    std::vector<std::thread> threads;
    std::atomic<bool> go{false};
    for (std::size_t index = 0; index < results.size(); ++index)
        threads.emplace_back([&, index] {
            while (!go) std::this_thread::yield();
            results[index] = DockerScanner::cli();
        });
    go = true;
    for (auto& thread : threads) thread.join();
    for (const auto& result : results) EXPECT_EQ(result, (tools.path() / "docker").string());
}

// ---- Actions ----------------------------------------------------------------------------------------

TEST_F(DockerScannerTest, WithoutAToolTheCompletionRunsAtOnce) {
    useTool(tools.path() / "missing");
    int completions = 0;
    DockerScanner::stop("abc", false, [&] { ++completions; });
    DockerScanner::stop("abc", true, [&] { ++completions; });
    DockerScanner::restart("abc", [&] { ++completions; });
    EXPECT_EQ(completions, 3);
    DockerScanner::stop("abc", false);  // no completion: nothing to call
    DockerScanner::restart("abc");
    EXPECT_EQ(Platform::Dispatch::MainQueue::runDueTasks(), 0u);
}

TEST_F(DockerScannerTest, ActionsRunTheToolWithoutTestingTheSocket) {
    if (systemSocket()) GTEST_SKIP() << "this machine has a Docker socket";
    useTool(recordingTool());
    const std::pair<std::function<void(DockerScanner::Completion)>, Lines> cases[] = {
        {[](auto done) { DockerScanner::stop("c1", false, done); }, {"stop", "c1", "LC_ALL=C"}},
        {[](auto done) { DockerScanner::stop("c2", true, done); }, {"kill", "c2", "LC_ALL=C"}},
        {[](auto done) { DockerScanner::restart("c3", done); }, {"restart", "c3", "LC_ALL=C"}},
    };
    for (const auto& [action, expected] : cases) {
        bool completed = false;
        action([&] { completed = true; });
        ASSERT_TRUE(MainLoop::runUntil([&] { return completed; }, 30s));
        EXPECT_EQ(recordedLines(), expected);
    }
}

}  // namespace
