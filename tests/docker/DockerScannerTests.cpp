// DockerScanner with the real docker client talking to a fake daemon, and with stand-in tools that
// hang, fail to start, print garbage or record how they were run.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "Core/Docker/DockerScanner.h"
#include "Core/Docker/DockerTool.h"
#include "Platform/AtomicFile.h"
#include "Platform/Dispatch.h"
#include "Platform/SystemLog.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"

namespace fs = std::filesystem;
using namespace std::literals;
using testing_support::ChildProcess;
namespace MainLoop = Platform::Dispatch::MainLoop;

namespace {

const std::string webID = "3f4e8a1c9b2d7e6f5a4b3c2d1e0f9a8b7c6d5e4f3a2b1c0d9e8f7a6b5c4d3e2f";
const std::string redisID = "a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d7e8f90";
const std::string gatewayID = "c0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ff";

fs::path writeExecutable(const fs::path& path, const std::string& contents) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << contents;
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

class DockerScannerTest : public testing::Test {
protected:
    // The system socket is looked for in a folder of the test's own, whatever this machine runs.
    void SetUp() override {
        DockerScanner::Testing::setCLICandidates(std::nullopt);
        DockerScanner::Testing::setSocketCandidates({{homeSocket(), systemSocket()}});
        Platform::Dispatch::MainQueue::reset();
        unsetenv("DOCKER_HOST");
        unsetenv("DOCKER_CONTEXT");
    }
    void TearDown() override { DockerScanner::Testing::setSocketCandidates(std::nullopt); }

    fs::path homeSocket() const { return home.home() / ".docker/run/docker.sock"; }
    fs::path systemSocket() const { return tools.path() / "var/run/docker.sock"; }
    void touchHomeSocket() const { writeExecutable(homeSocket(), ""); }  // any file there counts as a socket
    void useTool(const fs::path& tool) { DockerScanner::Testing::setCLICandidates({{tool.string()}}); }
    fs::path tool(const std::string& script) {
        return writeExecutable(tools.path() / "docker", "#!/bin/sh\n" + script);
    }
    fs::path record() const { return tools.path() / "record.txt"; }
    std::string recorded() const { return Platform::readWholeFile(record(), 1 << 20).value_or("(not run)"); }

    // The fake daemon serving the fixture's containers at `socket`, the client pointed at it.
    std::unique_ptr<ChildProcess> startDaemon(const fs::path& socket) {
        std::string containers =
            Platform::readWholeFile(fs::path(DOCKER_FIXTURES) / "daemon-containers.json", 1 << 20).value();
        for (auto at = containers.find("@HOME@"); at != std::string::npos; at = containers.find("@HOME@"))
            containers.replace(at, 6, home.home().string());
        std::ofstream(tools.path() / "containers.json") << containers;
        fs::create_directories(socket.parent_path());
        auto daemon = std::make_unique<ChildProcess>(std::vector<std::string>{"python3", FAKE_DOCKER_DAEMON_SCRIPT,
                                                                              socket, tools.path() / "containers.json",
                                                                              tools.path() / "calls.log"});
        EXPECT_TRUE(testing_support::waitUntil([&] { return fs::exists(socket); })) << "the fake daemon did not start";
        setenv("DOCKER_HOST", ("unix://" + socket.string()).c_str(), 1);
        return daemon;
    }
    std::string daemonCalls() const {
        return Platform::readWholeFile(tools.path() / "calls.log", 1 << 20).value_or("");
    }

    testing_support::TempHome home;
    testing_support::TempDir tools;
};

class RealClientTest : public DockerScannerTest {
    void SetUp() override {
        DockerScannerTest::SetUp();
        if (::access("/usr/bin/docker", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/docker";
        useTool("/usr/bin/docker");
    }
};

TEST_F(RealClientTest, TheRunningContainersThatPublishAPortAreListedWithTheirComposeFolder) {
    const auto daemon = startDaemon(homeSocket());
    // postgres publishes nothing, "ranged" only a range, "ephemeral" a port above 49151, and
    // "paused-api" is paused: none of them is a server.
    const auto containers = DockerScanner::scan();
    const std::string shop = (home.home() / "Development/shop").string();
    EXPECT_EQ(containers,
              (std::vector<DockerParsing::Container>{
                  {webID, "shop-web-1", "ghcr.io/acme/shop-web:1.2", {3000}, shop, 300},
                  {redisID, "redis", "redis:7", {6379}, std::nullopt, 7200},
                  {gatewayID, "gateway", "docker.io/library/nginx:1.25", {443, 8080}, std::nullopt, 1209600}}));
    EXPECT_EQ(daemonCalls().find("all="), std::string::npos) << "only running containers are asked for";
}

TEST_F(DockerScannerTest, TheHomeOrTheSystemSocketOrTheUnixSocketThatDockerHostNamesCounts) {
    EXPECT_EQ(DockerScanner::socketCandidates(), (std::vector<std::string>{homeSocket(), systemSocket()}));
    DockerScanner::Testing::setSocketCandidates(std::nullopt);
    EXPECT_EQ(DockerScanner::socketCandidates(), (std::vector<std::string>{homeSocket(), "/var/run/docker.sock"}));
    DockerScanner::Testing::setSocketCandidates({{homeSocket(), systemSocket()}});
    const auto socket = tools.path() / "podman.sock";
    setenv("DOCKER_HOST", ("unix://" + socket.string()).c_str(), 1);
    EXPECT_FALSE(DockerScanner::socketPresent());
    std::ofstream(socket).flush();
    EXPECT_TRUE(DockerScanner::socketPresent());
    for (const char* other : {"tcp://127.0.0.1:2375", "unix://"}) {
        setenv("DOCKER_HOST", other, 1);
        EXPECT_FALSE(DockerScanner::socketPresent()) << other;
    }
    writeExecutable(systemSocket(), "");
    EXPECT_TRUE(DockerScanner::socketPresent());
    fs::remove(systemSocket());
    touchHomeSocket();
    EXPECT_TRUE(DockerScanner::socketPresent());
}

// What the real client then does with them is docker's own; the listing is read from a real client
// above. An action completes on the main queue, also when the tool fails.
TEST_F(DockerScannerTest, TheToolGetsExactArgumentsAndTheCLocaleAndListsOnlyWithASocket) {
    useTool(tool("printf '%s\\n' \"$@\" \"LC_ALL=$LC_ALL\" > '" + record().string() + "'\n[ \"$2\" != gone ]\n"));
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_FALSE(fs::exists(record()));
    // Actions do not look for a socket.
    const std::pair<std::function<void(DockerScanner::Completion)>, std::string> actions[] = {
        {[](auto done) { DockerScanner::stop("c1", false, done); }, "stop\nc1\nLC_ALL=C\n"},
        {[](auto done) { DockerScanner::stop("c2", true, done); }, "kill\nc2\nLC_ALL=C\n"},
        {[](auto done) { DockerScanner::restart("c3", done); }, "restart\nc3\nLC_ALL=C\n"},
        {[](auto done) { DockerScanner::stop("gone", false, done); }, "stop\ngone\nLC_ALL=C\n"},
    };
    for (const auto& [action, expected] : actions) {
        bool completed = false;
        action([&] { completed = Platform::Dispatch::isMainThread(); });
        ASSERT_TRUE(MainLoop::runUntil([&] { return completed; }, 30s)) << expected;
        EXPECT_EQ(recorded(), expected);
    }
    touchHomeSocket();
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_EQ(recorded(), "ps\n--no-trunc\n--format\n{{json .}}\nLC_ALL=C\n");
}

TEST_F(DockerScannerTest, AListingThatHangsIsAbandonedAfterThreeSecondsAndTerminated) {
    touchHomeSocket();
    useTool(tool("echo $$ > '" + record().string() + "'\nexec sleep 120\n"));
    Platform::LogCapture log;
    EXPECT_TRUE(DockerScanner::scan().empty());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Vellumark: docker ps timed out after 3s"});
    const pid_t pid = std::stoi(recorded());
    EXPECT_TRUE(testing_support::waitUntil([&] { return ::kill(pid, 0) == -1 && errno == ESRCH; }));
}

TEST_F(DockerScannerTest, AToolThatCannotStartIsLoggedUnreadableOutputGivesNothingAndTheExitStatusIsIgnored) {
    touchHomeSocket();
    useTool(writeExecutable(tools.path() / "docker", "this is not a program\n"));
    Platform::LogCapture log;
    EXPECT_TRUE(DockerScanner::scan().empty());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.lines()[0].starts_with("Vellumark: docker launch error (ps): ")) << log.lines()[0];

    tool("printf '{\"ID\":\"a\",\"Image\":\"i\",\"Names\":\"n\",\"Ports\":\"0.0.0.0:3000->3000/tcp\"}\\n\\377\\n'\n");
    EXPECT_TRUE(DockerScanner::scan().empty()) << "not UTF-8";

    // Whatever the tool exits with, its listing counts (reading long output is ProcessRunner's, tested there).
    tool(
        "echo 'Error response from daemon: partial listing'\n"
        "printf '{\"ID\":\"a\",\"Image\":\"i\",\"Names\":\"n\",\"Ports\":\"0.0.0.0:3000->3000/tcp\"}\\n'\nexit 1\n");
    const auto containers = DockerScanner::scan();
    ASSERT_EQ(containers.size(), 1u);
    EXPECT_EQ(containers[0].hostPorts, std::vector<int>{3000});
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST_F(DockerScannerTest, TheFirstExecutableCandidateIsUsedAndRememberedFoundOrNot) {
    fs::create_directories(tools.path() / "folder");
    std::ofstream(tools.path() / "plain") << "#!/bin/sh\n";
    const auto second = writeExecutable(tools.path() / "second/docker", "#!/bin/sh\n");
    const auto late = tools.path() / "third/docker";
    DockerScanner::Testing::setCLICandidates(
        {{tools.path() / "missing/docker", tools.path() / "folder", tools.path() / "plain", late, second}});
    EXPECT_EQ(DockerScanner::cli(), second.string());
    writeExecutable(late, "#!/bin/sh\n");
    fs::remove(second);
    EXPECT_EQ(DockerScanner::cli(), second.string()) << "changes are seen after a relaunch";
    DockerScanner::Testing::resetCLICache();
    EXPECT_EQ(DockerScanner::cli(), late.string());

    useTool(tools.path() / "missing/docker");
    EXPECT_EQ(DockerScanner::cli(), std::nullopt);
    writeExecutable(tools.path() / "missing/docker", "#!/bin/sh\n");
    EXPECT_EQ(DockerScanner::cli(), std::nullopt) << "not found is remembered too";

    // Without a tool an action's completion runs at once.
    int completions = 0;
    DockerScanner::stop("abc", true, [&] { ++completions; });
    DockerScanner::restart("abc", [&] { ++completions; });
    EXPECT_EQ(completions, 2);
}

}  // namespace
