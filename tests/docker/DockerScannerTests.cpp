// DockerScanner against the real docker client talking to a fake daemon, and against stand-in
// tools that hang, fail to start, print garbage or record how they were run.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "App/Docker/DockerScanner.h"
#include "App/Docker/DockerTool.h"
#include "Platform/Dispatch.h"
#include "Platform/SystemLog.h"
#include "docker/support/FakeDockerDaemon.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using DockerParsing::Container;
using namespace std::chrono_literals;

namespace {

class ScopedVariable {
public:
    explicit ScopedVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) saved_ = value;
        unsetenv(name);
    }
    ~ScopedVariable() {
        if (saved_) setenv(name_, saved_->c_str(), 1);
        else unsetenv(name_);
    }
    void set(const std::string& value) { setenv(name_, value.c_str(), 1); }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

fs::path writeExecutable(const fs::path& path, const std::string& contents) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    return path;
}

bool isExecutable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool anyStartsWith(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const auto& line : lines)
        if (line.starts_with(prefix)) return true;
    return false;
}

std::vector<std::string> dockerLogLines(const Platform::LogCapture& log) {
    std::vector<std::string> lines;
    for (const auto& line : log.lines())
        if (line.starts_with("Vellumark: docker")) lines.push_back(line);
    return lines;
}

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

    // The fake daemon at the home socket, with DOCKER_HOST pointing the client at it.
    std::unique_ptr<testing_support::FakeDockerDaemon> startDaemon() {
        const auto containers = replaceAll(
            testing_support::readTextFile(std::string(DOCKER_FIXTURES) + "/daemon-containers.json"), "@HOME@",
            home.home().string());
        auto daemon = std::make_unique<testing_support::FakeDockerDaemon>(homeSocket(), containers);
        dockerHost.set("unix://" + homeSocket().string());
        return daemon;
    }

    void useTool(const fs::path& tool) { DockerScanner::Testing::setCLICandidates({{tool.string()}}); }

    // A stand-in tool that writes its arguments, one per line, and LC_ALL to a file, and prints nothing.
    fs::path recordingTool() {
        return writeExecutable(tools.path() / "docker",
                               "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + recordPath().string() +
                                   "'\necho \"LC_ALL=$LC_ALL\" >> '" + recordPath().string() + "'\n");
    }
    fs::path recordPath() const { return tools.path() / "record.txt"; }
    std::vector<std::string> recordedLines() const {
        std::vector<std::string> lines;
        std::ifstream file(recordPath());
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }

    testing_support::TempHome home;
    testing_support::TempDir tools;
    ScopedVariable dockerHost{"DOCKER_HOST"};
    ScopedVariable dockerContext{"DOCKER_CONTEXT"};
    ScopedVariable dockerConfig{"DOCKER_CONFIG"};
};

// ---- The real client against the fake daemon --------------------------------------------------------

class RealClientTest : public DockerScannerTest, public testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        DockerScannerTest::SetUp();
        if (!isExecutable(GetParam())) GTEST_SKIP() << GetParam() << " is not installed";
        useTool(GetParam());
    }
};

TEST_P(RealClientTest, ScanListsTheRunningContainersThatPublishAHostPort) {
    const auto daemon = startDaemon();
    const auto containers = DockerScanner::scan();

    // postgres publishes nothing, "ranged" only a range, "ephemeral" a port above 49151, and
    // "paused-api" is paused: none of them is a server.
    const std::vector<Container> expected{
        Container{.id = webID, .name = "shop-web-1", .image = "ghcr.io/acme/shop-web:1.2", .hostPorts = {3000},
                  .composeWorkingDir = (home.home() / "Development/shop").string(), .uptimeSeconds = 300},
        Container{.id = redisID, .name = "redis", .image = "redis:7", .hostPorts = {6379},
                  .composeWorkingDir = std::nullopt, .uptimeSeconds = 7200},
        Container{.id = gatewayID, .name = "gateway", .image = "docker.io/library/nginx:1.25",
                  .hostPorts = {443, 8080}, .composeWorkingDir = std::nullopt, .uptimeSeconds = 1209600},
    };
    EXPECT_EQ(containers, expected);
    // Only running containers were asked for (no "all").
    const auto calls = daemon->calls();
    EXPECT_TRUE(anyStartsWith(calls, "GET /v1.41/containers/json")) << testing::PrintToString(calls);
    for (const auto& call : calls) EXPECT_EQ(call.find("all="), std::string::npos) << call;
}

TEST_P(RealClientTest, ScannedContainersJoinTheProjectsAsServers) {
    const auto daemon = startDaemon();
    const auto devFolder = (home.home() / "Development").string();
    DevServer vite;
    vite.pid = 4242;
    vite.pgid = 4242;
    vite.groupPIDs = {4242};
    vite.command = "node";
    vite.ports = {5173};
    vite.cwd = devFolder + "/shop/frontend";
    const std::vector<DevProject> native{DevProject{"shop", devFolder + "/shop", {vite}}};

    const auto projects = DockerParsing::merge(DockerScanner::scan(), native, devFolder, {});

    ASSERT_EQ(projects.size(), 3u);
    EXPECT_EQ(projects[0].path, "docker:/gateway");
    EXPECT_EQ(projects[1].path, "docker:/redis");
    EXPECT_EQ(projects[2].path, devFolder + "/shop");
    ASSERT_EQ(projects[2].servers.size(), 2u);
    EXPECT_EQ(projects[2].servers[1], vite);

    DevServer web;
    web.pid = DockerParsing::syntheticPGID(webID);
    web.pgid = web.pid;
    web.command = "shop-web:1.2";
    web.ports = {3000};
    web.uptimeSeconds = 300;
    web.commandLine = "docker: shop-web-1 \xE2\x80\x94 ghcr.io/acme/shop-web:1.2";
    web.cwd = devFolder + "/shop";
    web.containerID = webID;
    web.containerName = "shop-web-1";
    EXPECT_EQ(projects[2].servers[0], web);

    const auto& gateway = projects[0].servers.at(0);
    EXPECT_EQ(gateway.command, "nginx:1.25");
    EXPECT_EQ(gateway.ports, (std::vector<int>{443, 8080}));
    EXPECT_LT(gateway.pid, 0);
    EXPECT_EQ(gateway.uptimeText(), "up 14d 0h");
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
    ASSERT_TRUE(Platform::Dispatch::MainLoop::runUntil([&] { return completions == 1; }, 60s));
    DockerScanner::stop(redisID, /*force=*/true, completion);
    ASSERT_TRUE(Platform::Dispatch::MainLoop::runUntil([&] { return completions == 2; }, 60s));
    DockerScanner::restart(gatewayID, completion);
    ASSERT_TRUE(Platform::Dispatch::MainLoop::runUntil([&] { return completions == 3; }, 60s));
    EXPECT_TRUE(allOnMainThread);

    const auto calls = daemon->calls();
    EXPECT_TRUE(anyStartsWith(calls, "POST /v1.41/containers/" + webID + "/stop")) << testing::PrintToString(calls);
    EXPECT_TRUE(anyStartsWith(calls, "POST /v1.41/containers/" + redisID + "/kill")) << testing::PrintToString(calls);
    EXPECT_TRUE(anyStartsWith(calls, "POST /v1.41/containers/" + gatewayID + "/restart"))
        << testing::PrintToString(calls);

    // The next scan shows the outcome: the stopped and killed containers are gone.
    const auto containers = DockerScanner::scan();
    ASSERT_EQ(containers.size(), 1u);
    EXPECT_EQ(containers[0].id, gatewayID);
}

TEST_P(RealClientTest, AnActionOnAnUnknownContainerStillCompletes) {
    const auto daemon = startDaemon();
    bool completed = false;
    DockerScanner::stop("no-such-container", false, [&] { completed = true; });
    EXPECT_TRUE(Platform::Dispatch::MainLoop::runUntil([&] { return completed; }, 60s));
    EXPECT_TRUE(anyStartsWith(daemon->calls(), "POST /v1.41/containers/no-such-container/stop"));
}

TEST_P(RealClientTest, ASocketWithoutDaemonGivesNoContainersAndNoDiagnostic) {
    fs::create_directories(homeSocket().parent_path());
    std::ofstream(homeSocket()) << "";
    dockerHost.set("unix://" + homeSocket().string());
    Platform::LogCapture log;
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_TRUE(dockerLogLines(log).empty()) << testing::PrintToString(log.lines());
}

INSTANTIATE_TEST_SUITE_P(Clients, RealClientTest, testing::Values("/usr/local/bin/docker", "/usr/bin/docker"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param == "/usr/bin/docker" ? std::string("UsrBin") : std::string("UsrLocalBin");
                         });

TEST_F(DockerScannerTest, TheRealCandidateListFindsAnInstalledClient) {
    const auto home = this->home.home().string();
    EXPECT_EQ(DockerScanner::cliCandidates(),
              (std::vector<std::string>{"/usr/local/bin/docker", "/opt/homebrew/bin/docker",
                                        home + "/.docker/bin/docker", "/usr/bin/docker"}));
    const auto tool = DockerScanner::cli();
    if (!tool) GTEST_SKIP() << "no docker client installed";
    const auto daemon = startDaemon();
    EXPECT_EQ(DockerScanner::scan().size(), 3u);
}

// ---- The socket test --------------------------------------------------------------------------------

TEST_F(DockerScannerTest, ASocketInTheHomeFolderCounts) {
    if (fs::exists("/var/run/docker.sock")) GTEST_SKIP() << "this machine has a Docker socket";
    EXPECT_FALSE(DockerScanner::socketPresent());
    fs::create_directories(homeSocket().parent_path());
    std::ofstream(homeSocket()) << "";
    EXPECT_TRUE(DockerScanner::socketPresent());
}

TEST_F(DockerScannerTest, TheUnixSocketOfDockerHostCounts) {
    if (fs::exists("/var/run/docker.sock")) GTEST_SKIP() << "this machine has a Docker socket";
    const auto socket = tools.path() / "podman.sock";
    dockerHost.set("unix://" + socket.string());
    EXPECT_FALSE(DockerScanner::socketPresent());
    std::ofstream(socket) << "";
    EXPECT_TRUE(DockerScanner::socketPresent());
    dockerHost.set("tcp://127.0.0.1:2375");
    EXPECT_FALSE(DockerScanner::socketPresent());
    dockerHost.set("unix://");
    EXPECT_FALSE(DockerScanner::socketPresent());
}

TEST_F(DockerScannerTest, WithoutASocketTheToolIsNotRun) {
    if (fs::exists("/var/run/docker.sock")) GTEST_SKIP() << "this machine has a Docker socket";
    useTool(recordingTool());
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_FALSE(fs::exists(recordPath()));
}

TEST_F(DockerScannerTest, ADaemonOnlyDockerHostNamesIsScanned) {
    if (!isExecutable("/usr/bin/docker") && !isExecutable("/usr/local/bin/docker")) GTEST_SKIP() << "no client";
    const auto socket = tools.path() / "run/docker.sock";
    const auto containers = testing_support::readTextFile(std::string(DOCKER_FIXTURES) + "/daemon-containers.json");
    testing_support::FakeDockerDaemon daemon(socket, containers);
    dockerHost.set("unix://" + socket.string());
    EXPECT_EQ(DockerScanner::scan().size(), 3u);
}

// ---- Stand-in tools ---------------------------------------------------------------------------------

class StandInToolTest : public DockerScannerTest {
protected:
    void SetUp() override {
        DockerScannerTest::SetUp();
        fs::create_directories(homeSocket().parent_path());
        std::ofstream(homeSocket()) << "";  // any file there counts as a socket
    }
};

TEST_F(StandInToolTest, TheListingRunsWithTheExactArgumentsAndCLocale) {
    useTool(recordingTool());
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_EQ(recordedLines(), (std::vector<std::string>{"ps", "--no-trunc", "--format", "{{json .}}", "LC_ALL=C"}));
}

TEST_F(StandInToolTest, AListingThatHangsIsAbandonedAfterThreeSeconds) {
    const auto pidFile = tools.path() / "pid";
    useTool(writeExecutable(tools.path() / "docker",
                            "#!/bin/sh\necho $$ > '" + pidFile.string() + "'\nexec sleep 120\n"));
    Platform::LogCapture log;
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_EQ(dockerLogLines(log), std::vector<std::string>{"Vellumark: docker ps timed out after 3s"});

    // The hanging tool was asked to terminate.
    const pid_t pid = std::stoi(testing_support::readTextFile(pidFile));
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (kill(pid, 0) == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST_F(StandInToolTest, AToolThatCannotStartIsLogged) {
    useTool(writeExecutable(tools.path() / "docker", "this is not a program\n"));
    Platform::LogCapture log;
    EXPECT_TRUE(DockerScanner::scan().empty());
    const auto lines = dockerLogLines(log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("Vellumark: docker launch error (ps): ")) << lines[0];
    EXPECT_GT(lines[0].size(), std::string("Vellumark: docker launch error (ps): ").size());
}

TEST_F(StandInToolTest, OutputThatIsNotUTF8GivesNoContainers) {
    useTool(writeExecutable(tools.path() / "docker",
                            "#!/bin/sh\nprintf '{\"ID\":\"a\",\"Image\":\"i\",\"Names\":\"n\","
                            "\"Ports\":\"0.0.0.0:3000->3000/tcp\"}\\n\\377\\n'\n"));
    Platform::LogCapture log;
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_TRUE(dockerLogLines(log).empty());
}

TEST_F(StandInToolTest, TheExitStatusIsNotLookedAt) {
    useTool(writeExecutable(tools.path() / "docker",
                            "#!/bin/sh\necho 'Error response from daemon: partial listing'\n"
                            "echo '{\"ID\":\"a\",\"Image\":\"i\",\"Names\":\"n\",\"Ports\":\"0.0.0.0:3000->3000/tcp\"}'\n"
                            "exit 1\n"));
    const auto containers = DockerScanner::scan();
    ASSERT_EQ(containers.size(), 1u);
    EXPECT_EQ(containers[0].id, "a");
}

TEST_F(StandInToolTest, ALargeListingIsReadToTheEnd) {
    const auto listing = tools.path() / "listing.jsonl";
    {
        std::ofstream out(listing);
        for (int port = 1; port <= 6000; ++port)
            out << "{\"ID\":\"" << std::string(64, 'a') << port << "\",\"Image\":\"registry.example/team/app:1\","
                << "\"Names\":\"app-" << port << "\",\"Ports\":\"0.0.0.0:" << port << "->80/tcp, :::" << port
                << "->80/tcp\",\"State\":\"running\",\"RunningFor\":\"2 hours ago\",\"Labels\":\"a=b,c=d\"}\n";
    }
    useTool(writeExecutable(tools.path() / "docker", "#!/bin/sh\nexec cat '" + listing.string() + "'\n"));
    const auto containers = DockerScanner::scan();
    ASSERT_EQ(containers.size(), 6000u);
    EXPECT_EQ(containers.back().hostPorts, std::vector<int>{6000});
}

// ---- Locating the tool ------------------------------------------------------------------------------

TEST_F(DockerScannerTest, TheFirstExecutableFileAmongTheCandidatesIsUsed) {
    const auto missing = tools.path() / "missing/docker";
    const auto folder = tools.path() / "folder";
    fs::create_directories(folder);
    const auto notExecutable = tools.path() / "plain";
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    const auto second = writeExecutable(tools.path() / "second/docker", "#!/bin/sh\n");
    const auto third = writeExecutable(tools.path() / "third/docker", "#!/bin/sh\n");
    DockerScanner::Testing::setCLICandidates(
        {{missing.string(), folder.string(), notExecutable.string(), second.string(), third.string()}});
    EXPECT_EQ(DockerScanner::cli(), second.string());
}

TEST_F(DockerScannerTest, TheLookupIsCachedFoundOrNot) {
    const auto tool = tools.path() / "docker";
    useTool(tool);
    EXPECT_EQ(DockerScanner::cli(), std::nullopt);
    writeExecutable(tool, "#!/bin/sh\n");
    EXPECT_EQ(DockerScanner::cli(), std::nullopt);  // installed while running: seen after a relaunch
    DockerScanner::Testing::resetCLICache();
    EXPECT_EQ(DockerScanner::cli(), tool.string());
    fs::remove(tool);
    EXPECT_EQ(DockerScanner::cli(), tool.string());
}

TEST_F(DockerScannerTest, AFirstLookupFromManyThreadsAgrees) {
    const auto tool = writeExecutable(tools.path() / "docker", "#!/bin/sh\n");
    useTool(tool);
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
    for (const auto& result : results) EXPECT_EQ(result, tool.string());
}

// ---- Actions ----------------------------------------------------------------------------------------

TEST_F(DockerScannerTest, WithoutAToolTheCompletionRunsAtOnce) {
    useTool(tools.path() / "missing");
    int completions = 0;
    DockerScanner::stop("abc", false, [&] { ++completions; });
    EXPECT_EQ(completions, 1);
    DockerScanner::stop("abc", true, [&] { ++completions; });
    EXPECT_EQ(completions, 2);
    DockerScanner::restart("abc", [&] { ++completions; });
    EXPECT_EQ(completions, 3);
    DockerScanner::stop("abc", false);  // no completion: nothing to call
    DockerScanner::restart("abc");
    EXPECT_EQ(Platform::Dispatch::MainQueue::runDueTasks(), 0u);
}

TEST_F(DockerScannerTest, ActionsRunTheToolWithoutTestingTheSocket) {
    if (fs::exists("/var/run/docker.sock")) GTEST_SKIP() << "this machine has a Docker socket";
    useTool(recordingTool());
    struct Case {
        std::function<void(DockerScanner::Completion)> action;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {[](auto done) { DockerScanner::stop("c1", false, done); }, {"stop", "c1", "LC_ALL=C"}},
        {[](auto done) { DockerScanner::stop("c2", true, done); }, {"kill", "c2", "LC_ALL=C"}},
        {[](auto done) { DockerScanner::restart("c3", done); }, {"restart", "c3", "LC_ALL=C"}},
    };
    for (const auto& testCase : cases) {
        bool completed = false;
        testCase.action([&] { completed = true; });
        ASSERT_TRUE(Platform::Dispatch::MainLoop::runUntil([&] { return completed; }, 30s));
        EXPECT_EQ(recordedLines(), testCase.expected);
    }
}

}  // namespace
