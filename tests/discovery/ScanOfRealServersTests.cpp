// One real scan against real listening processes: Python servers started in folders of a
// temporary home, found by the real lsof and ps, grouped into projects, filtered by rules saved
// to the standard defaults, with Docker present, silent or hanging.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "App/Discovery/ProcessScanner.h"
#include "App/Docker/DockerTool.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Shared/Docker/DockerParsing.h"
#include "Shared/Settings/FilterRules.h"
#include "discovery/support/ListeningProcesses.h"
#include "docker/support/FakeDockerDaemon.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using testing_support::ProcessGroup;

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

// A Unix socket that accepts connections into its backlog and never answers: a hung daemon.
class SilentSocket {
public:
    explicit SilentSocket(const fs::path& path) : path_(path) {
        fs::create_directories(path.parent_path());
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.string().copy(address.sun_path, sizeof address.sun_path - 1);
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd_, 64) != 0)
            throw std::runtime_error("cannot listen on " + path.string());
    }
    ~SilentSocket() {
        close(fd_);  // resets the waiting connections, so the client gives up
        fs::remove(path_);
    }

private:
    fs::path path_;
    int fd_ = -1;
};

const DevProject* projectAt(const std::vector<DevProject>& projects, const std::string& path) {
    const auto found = std::find_if(projects.begin(), projects.end(), [&](const auto& p) { return p.path == path; });
    return found == projects.end() ? nullptr : &*found;
}

std::vector<std::string> paths(const std::vector<DevProject>& projects) {
    std::vector<std::string> result;
    for (const auto& project : projects) result.push_back(project.path);
    std::sort(result.begin(), result.end());
    return result;
}

bool listsPort(const std::vector<DevProject>& projects, int port) {
    for (const auto& project : projects)
        for (const auto& server : project.servers)
            if (std::find(server.ports.begin(), server.ports.end(), port) != server.ports.end()) return true;
    return false;
}

// Saves rules built by `edit` from empty ones to the standard defaults, where the scan reads them.
template <typename Edit>
void saveRules(Edit edit) {
    FilterRules rules;
    edit(rules);
    rules.save(Platform::UserDefaults::standard());
}

class ScanOfRealServers : public testing::Test {
protected:
    void SetUp() override {
        const auto interpreter = testing_support::python3();
        if (!interpreter) GTEST_SKIP() << "no python3";
        python = *interpreter;
        DockerScanner::Testing::setCLICandidates(std::nullopt);

        for (const auto* folder : {"Development/shop/web", "Development/shop/api", "code/site", ".cache/x", "Library/y"})
            fs::create_directories(home.home() / folder);
        webPort = testing_support::freePort();
        apiPort = testing_support::freePort();
        sitePort = testing_support::freePort();
        hiddenPort = testing_support::freePort();
        libraryPort = testing_support::freePort();

        // Two servers started by one shell share its process group.
        shop = std::make_unique<ProcessGroup>(
            std::vector<std::string>{"/bin/sh", "-c",
                                     "(cd Development/shop/web && exec " + serverCommand(webPort) + ") & "
                                     "(cd Development/shop/api && exec " + serverCommand(apiPort) + ") & wait"},
            home.home());
        site = startServer(sitePort, home.home() / "code/site");
        hidden = startServer(hiddenPort, home.home() / ".cache/x");
        library = startServer(libraryPort, home.home() / "Library/y");
        for (const int port : {webPort, apiPort, sitePort, hiddenPort, libraryPort})
            ASSERT_TRUE(testing_support::waitUntilListening(port)) << "nothing listens on " << port;
    }

    void TearDown() override { DockerScanner::Testing::setCLICandidates(std::nullopt); }

    std::string serverCommand(int port) const {
        return "'" + python + "' -m http.server " + std::to_string(port) + " --bind 127.0.0.1";
    }

    std::unique_ptr<ProcessGroup> startServer(int port, const fs::path& folder) const {
        return std::make_unique<ProcessGroup>(
            std::vector<std::string>{python, "-m", "http.server", std::to_string(port), "--bind", "127.0.0.1"}, folder);
    }

    std::string path(const char* relative) const { return (home.home() / relative).string(); }

    // What the scan must report for a server whose representative is `pid`; the numbers that only
    // the moment decides (uptime, CPU, memory) are taken from `actual` after checking them.
    DevServer expectedServer(pid_t pid, const ProcessGroup& group, std::vector<int> ports,
                             std::optional<std::string> cwd, const DevServer& actual) const {
        DevServer server;
        server.pid = pid;
        server.pgid = group.leader();
        const auto members = group.members();
        server.groupPIDs = std::vector<std::int32_t>(members.begin(), members.end());
        server.command = testing_support::commandNameOf(pid);
        server.ports = std::move(ports);
        server.commandLine = testing_support::commandLineOf(pid);
        server.cwd = std::move(cwd);
        EXPECT_TRUE(actual.uptimeSeconds.has_value());
        EXPECT_GE(actual.uptimeSeconds.value_or(-1), 0);
        EXPECT_GE(actual.cpu, 0);
        EXPECT_GE(actual.mem, 0);
        EXPECT_GT(actual.rss.value_or(0), 0);
        server.uptimeSeconds = actual.uptimeSeconds;
        server.cpu = actual.cpu;
        server.mem = actual.mem;
        server.rss = actual.rss;
        server.keptAlive = actual.keptAlive;  // checked by the callers that care
        return server;
    }

    testing_support::TempHome home;
    ScopedVariable dockerHost{"DOCKER_HOST"};
    ScopedVariable dockerContext{"DOCKER_CONTEXT"};
    ScopedVariable dockerConfig{"DOCKER_CONFIG"};
    std::string python;
    int webPort = 0, apiPort = 0, sitePort = 0, hiddenPort = 0, libraryPort = 0;
    std::unique_ptr<ProcessGroup> shop, site, hidden, library;
};

TEST_F(ScanOfRealServers, FindsTheProjectsBelowTheHomeFolder) {
    const auto projects = ProcessScanner::scan();

    // Nothing else on the machine lies in this home folder, and the hidden and Library servers are
    // out of scope.
    ASSERT_EQ(paths(projects), (std::vector<std::string>{path("Development/shop"), path("code/site")}));

    const auto* shopProject = projectAt(projects, path("Development/shop"));
    EXPECT_EQ(shopProject->name, "shop");
    ASSERT_EQ(shopProject->servers.size(), 1u);  // one process group, one server
    const auto webPID = testing_support::memberWithArgument(*shop, std::to_string(webPort));
    const auto apiPID = testing_support::memberWithArgument(*shop, std::to_string(apiPort));
    ASSERT_TRUE(webPID && apiPID);
    EXPECT_EQ(testing_support::processGroupOf(*webPID), shop->leader());
    EXPECT_EQ(testing_support::processGroupOf(*apiPID), shop->leader());
    const bool webFirst = webPort < apiPort;
    const auto& shopServer = shopProject->servers[0];
    EXPECT_EQ(shopServer,
              expectedServer(webFirst ? *webPID : *apiPID, *shop, {std::min(webPort, apiPort), std::max(webPort, apiPort)},
                             path(webFirst ? "Development/shop/web" : "Development/shop/api"), shopServer));
    EXPECT_EQ(shopServer.groupPIDs.size(), 3u);  // the shell and its two servers
    EXPECT_FALSE(shopServer.keptAlive.has_value());

    const auto* siteProject = projectAt(projects, path("code/site"));
    EXPECT_EQ(siteProject->name, "site");
    ASSERT_EQ(siteProject->servers.size(), 1u);
    const auto& siteServer = siteProject->servers[0];
    EXPECT_EQ(siteServer, expectedServer(site->leader(), *site, {sitePort}, path("code/site"), siteServer));
    EXPECT_EQ(siteServer.command, "python3");
    EXPECT_FALSE(siteServer.keptAlive.has_value());
}

TEST_F(ScanOfRealServers, HiddenAndLibraryServersAppearOnlyWhenTheirPortIsWatched) {
    auto projects = ProcessScanner::scan();
    EXPECT_FALSE(listsPort(projects, hiddenPort));
    EXPECT_FALSE(listsPort(projects, libraryPort));

    saveRules([&](FilterRules& rules) { rules.watchedPorts = {hiddenPort, libraryPort}; });
    projects = ProcessScanner::scan();
    ASSERT_EQ(paths(projects),
              (std::vector<std::string>{path("Development/shop"), path("code/site"), "service://python3"}));
    const auto* services = projectAt(projects, "service://python3");
    EXPECT_EQ(services->name, "python3");
    ASSERT_EQ(services->servers.size(), 2u);
    const bool hiddenFirst = hiddenPort < libraryPort;
    const auto& first = *(hiddenFirst ? hidden : library);
    const auto& second = *(hiddenFirst ? library : hidden);
    // Out of scope: no folder is shown for them.
    EXPECT_EQ(services->servers[0], expectedServer(first.leader(), first, {std::min(hiddenPort, libraryPort)},
                                                   std::nullopt, services->servers[0]));
    EXPECT_EQ(services->servers[1], expectedServer(second.leader(), second, {std::max(hiddenPort, libraryPort)},
                                                   std::nullopt, services->servers[1]));
    // Neither is a launchd job (there is no launchd here at all).
    for (const auto& server : services->servers) EXPECT_FALSE(server.keptAlive.value_or(false));
}

TEST_F(ScanOfRealServers, TheRulesAreReadAnewForEveryScan) {
    EXPECT_EQ(paths(ProcessScanner::scan()), (std::vector<std::string>{path("Development/shop"), path("code/site")}));

    saveRules([&](FilterRules& rules) { rules.ignoredPorts = {sitePort}; });
    EXPECT_EQ(paths(ProcessScanner::scan()), std::vector<std::string>{path("Development/shop")});

    // Hiding one port's key hides the whole server, with its other port.
    saveRules([&](FilterRules& rules) { rules.hiddenServers = {"python3:" + std::to_string(apiPort)}; });
    auto projects = ProcessScanner::scan();
    EXPECT_EQ(paths(projects), std::vector<std::string>{path("code/site")});
    EXPECT_FALSE(listsPort(projects, webPort));

    saveRules([&](FilterRules& rules) { rules.excludedFolders = {path("Development/shop") + "/"}; });
    EXPECT_EQ(paths(ProcessScanner::scan()), std::vector<std::string>{path("code/site")});

    // A corrupt stored value counts as no rules.
    Platform::UserDefaults::standard().set(FilterRules::key, std::string("not json"));
    EXPECT_EQ(paths(ProcessScanner::scan()), (std::vector<std::string>{path("Development/shop"), path("code/site")}));
}

TEST_F(ScanOfRealServers, ContainersOfTheDockerDaemonJoinTheProjects) {
    if (!DockerScanner::cli()) GTEST_SKIP() << "no docker client installed";
    const auto socket = home.home() / ".docker/run/docker.sock";
    std::string containers =
        testing_support::readTextFile(std::string(VELLUMARK_TEST_FIXTURES) + "/docker/daemon-containers.json");
    for (auto at = containers.find("@HOME@"); at != std::string::npos; at = containers.find("@HOME@"))
        containers.replace(at, 6, home.home().string());
    testing_support::FakeDockerDaemon daemon(socket, containers);
    dockerHost.set("unix://" + socket.string());

    const auto projects = ProcessScanner::scan();
    EXPECT_EQ(paths(projects), (std::vector<std::string>{path("Development/shop"), path("code/site"),
                                                         "docker:/gateway", "docker:/redis"}));
    // The compose container sits beside the native server of its folder, ordered by port.
    const auto* shopProject = projectAt(projects, path("Development/shop"));
    ASSERT_EQ(shopProject->servers.size(), 2u);
    const auto& container = shopProject->servers[0];
    EXPECT_EQ(container.containerName, "shop-web-1");
    EXPECT_EQ(container.ports, std::vector<int>{3000});
    EXPECT_LT(container.pid, 0);
    EXPECT_GT(shopProject->servers[1].pid, 0);
    EXPECT_EQ(shopProject->servers[1].pgid, shop->leader());
}

TEST_F(ScanOfRealServers, ADockerDaemonThatNeverAnswersCostsOnlyItsContainers) {
    if (!DockerScanner::cli()) GTEST_SKIP() << "no docker client installed";
    const SilentSocket daemon(home.home() / ".docker/run/docker.sock");
    dockerHost.set("unix://" + (home.home() / ".docker/run/docker.sock").string());
    Platform::LogCapture log;

    const auto projects = ProcessScanner::scan();

    EXPECT_EQ(paths(projects), (std::vector<std::string>{path("Development/shop"), path("code/site")}));
    EXPECT_TRUE(log.contains("Vellumark: docker ps timed out after 3s")) << testing::PrintToString(log.lines());
}

TEST_F(ScanOfRealServers, ADockerToolThatHangsCostsOnlyItsContainers) {
    testing_support::TempDir tools;
    const auto tool = tools.path() / "docker";
    std::ofstream(tool) << "#!/bin/sh\nexec sleep 120\n";
    fs::permissions(tool, fs::perms::owner_all);
    DockerScanner::Testing::setCLICandidates({{tool.string()}});
    const auto socket = home.home() / ".docker/run/docker.sock";
    fs::create_directories(socket.parent_path());
    std::ofstream(socket) << "";  // any file there stands for the socket
    Platform::LogCapture log;

    const auto projects = ProcessScanner::scan();

    EXPECT_EQ(paths(projects), (std::vector<std::string>{path("Development/shop"), path("code/site")}));
    const auto lines = log.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Vellumark: docker ps timed out after 3s"), 1)
        << testing::PrintToString(lines);
}

}  // namespace
