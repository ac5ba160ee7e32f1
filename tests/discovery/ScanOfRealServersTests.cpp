// One real scan against real listening processes: Python servers started in folders of a
// temporary home, found by the real lsof and ps and grouped into projects; hidden and Library
// folders stay out unless their port is watched; a Docker tool that hangs costs only its containers.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "App/Discovery/ProcessScanner.h"
#include "App/Docker/DockerTool.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/FilterRules.h"
#include "discovery/support/TestProcesses.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

std::vector<std::string> paths(const std::vector<DevProject>& projects) {
    std::vector<std::string> result;
    for (const auto& project : projects) result.push_back(project.path);
    std::ranges::sort(result);
    return result;
}

class ScanOfRealServers : public testing::Test {
protected:
    void SetUp() override {
        if (!python3()) GTEST_SKIP() << "no python3";
        DockerScanner::Testing::setCLICandidates(std::vector<std::string>{});  // no Docker unless a test brings one
        for (const auto* folder : {"Development/shop/web", "Development/shop/api", "code/site", ".cache/x", "Library/y"})
            fs::create_directories(home.home() / folder);
        // Two servers started by one shell share its process group.
        shop = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/bin/sh", "-c",
                                     "(cd Development/shop/web && exec " + serverCommand(webPort) + ") & "
                                     "(cd Development/shop/api && exec " + serverCommand(apiPort) + ") & wait"},
            home.home());
        site = startServer(sitePort, "code/site");
        hidden = startServer(hiddenPort, ".cache/x");
        library = startServer(libraryPort, "Library/y");
        for (const int port : {webPort, apiPort, sitePort, hiddenPort, libraryPort})
            ASSERT_TRUE(waitUntil([&] { return acceptsConnections(port); }, std::chrono::seconds(60))) << port;
    }
    void TearDown() override { DockerScanner::Testing::setCLICandidates(std::nullopt); }

    std::string serverCommand(int port) const {
        return "'" + *python3() + "' -m http.server " + std::to_string(port) + " --bind 127.0.0.1";
    }
    std::unique_ptr<ChildProcess> startServer(int port, const char* folder) const {
        return std::make_unique<ChildProcess>(
            std::vector<std::string>{*python3(), "-m", "http.server", std::to_string(port), "--bind", "127.0.0.1"},
            home.home() / folder);
    }
    std::string path(const char* relative) const { return (home.home() / relative).string(); }

    // What the scan must report for the server `pid` of `group`; the numbers that only the moment
    // decides (uptime, CPU, memory) are taken from `actual` after checking them.
    DevServer expected(pid_t pid, const ChildProcess& group, std::vector<int> ports, std::optional<std::string> cwd,
                       const DevServer& actual) const {
        const auto info = processInfo(pid).value_or(ProcessInfo{});
        std::string commandLine;
        for (const auto& argument : info.arguments) commandLine += (commandLine.empty() ? "" : " ") + argument;
        const auto members = group.members();
        EXPECT_GE(actual.uptimeSeconds.value_or(-1), 0);
        EXPECT_GE(actual.cpu, 0);
        EXPECT_GE(actual.mem, 0);
        EXPECT_GT(actual.rss.value_or(0), 0);
        EXPECT_FALSE(actual.keptAlive.value_or(false)) << "there is no launchd here";
        const auto keptAlive = cwd ? std::nullopt : actual.keptAlive;  // only background services have it
        return {pid, group.pid(), std::vector<std::int32_t>(members.begin(), members.end()), info.name, std::move(ports),
                actual.uptimeSeconds, actual.cpu, actual.mem, actual.rss, commandLine, std::move(cwd), {}, {}, keptAlive};
    }

    TempHome home;
    int webPort = freePort(), apiPort = freePort(), sitePort = freePort(), hiddenPort = freePort(), libraryPort = freePort();
    std::unique_ptr<ChildProcess> shop, site, hidden, library;
};

TEST_F(ScanOfRealServers, FindsTheProjectsBelowTheHomeAndWatchedPortsElsewhere) {
    auto projects = ProcessScanner::scan();
    // Nothing else on the machine lies in this home, and the hidden and Library servers are out of scope.
    ASSERT_EQ(paths(projects), (std::vector<std::string>{path("Development/shop"), path("code/site")}));
    const auto& shopProject = *std::ranges::find(projects, path("Development/shop"), &DevProject::path);
    EXPECT_EQ(shopProject.name, "shop");
    ASSERT_EQ(shopProject.servers.size(), 1u) << "one process group, one server";
    const auto memberOn = [&](int port) {
        const auto found = processesWhere([&](const ProcessInfo& p) {
            return p.pgid == shop->pid() && std::ranges::count(p.arguments, std::to_string(port));
        });
        return found.empty() ? 0 : found[0].pid;
    };
    const bool webFirst = webPort < apiPort;
    const DevServer& merged = shopProject.servers[0];
    EXPECT_EQ(merged, expected(memberOn(webFirst ? webPort : apiPort), *shop,
                               {std::min(webPort, apiPort), std::max(webPort, apiPort)},
                               path(webFirst ? "Development/shop/web" : "Development/shop/api"), merged));
    EXPECT_EQ(merged.groupPIDs.size(), 3u) << "the shell and its two servers";
    const auto& siteProject = *std::ranges::find(projects, path("code/site"), &DevProject::path);
    EXPECT_EQ(siteProject.name, "site");
    ASSERT_EQ(siteProject.servers.size(), 1u);
    EXPECT_EQ(siteProject.servers[0], expected(site->pid(), *site, {sitePort}, path("code/site"), siteProject.servers[0]));
    EXPECT_EQ(siteProject.servers[0].command, "python3");

    FilterRules rules;
    rules.watchedPorts = {hiddenPort, libraryPort};
    rules.save(Platform::UserDefaults::standard());
    projects = ProcessScanner::scan();
    ASSERT_EQ(paths(projects), (std::vector<std::string>{path("Development/shop"), path("code/site"), "service://python3"}));
    const auto& services = *std::ranges::find(projects, "service://python3", &DevProject::path);
    EXPECT_EQ(services.name, "python3");
    ASSERT_EQ(services.servers.size(), 2u);
    const auto& [first, second] = hiddenPort < libraryPort ? std::pair(&hidden, &library) : std::pair(&library, &hidden);
    // Out of scope: no folder is shown for them.
    EXPECT_EQ(services.servers[0], expected((*first)->pid(), **first, {std::min(hiddenPort, libraryPort)}, std::nullopt,
                                            services.servers[0]));
    EXPECT_EQ(services.servers[1], expected((*second)->pid(), **second, {std::max(hiddenPort, libraryPort)}, std::nullopt,
                                            services.servers[1]));
}

// lsof writes such names escaped in the C locale the tools run in; a home with an accent must still
// hold its projects.
TEST_F(ScanOfRealServers, AHomeFolderWithAnAccentKeepsItsServersInScope) {
    const fs::path accentedHome = home.home() / "Andr\xC3\xA9";
    fs::create_directories(accentedHome / "Development/caf\xC3\xA9/web");
    const int port = freePort();
    const auto server = startServer(port, "Andr\xC3\xA9/Development/caf\xC3\xA9/web");
    ASSERT_TRUE(waitUntil([&] { return acceptsConnections(port); }, std::chrono::seconds(60)));
    setenv("HOME", accentedHome.c_str(), 1);  // TempHome puts the real one back

    const auto projects = ProcessScanner::scan();
    ASSERT_EQ(paths(projects), std::vector<std::string>{(accentedHome / "Development/caf\xC3\xA9").string()});
    EXPECT_EQ(projects[0].name, "caf\xC3\xA9");
    EXPECT_EQ(projects[0].servers.at(0).cwd, (accentedHome / "Development/caf\xC3\xA9/web").string());
}

TEST_F(ScanOfRealServers, ADockerToolThatHangsCostsOnlyItsContainers) {
    TempDir tools;
    std::ofstream(tools.path() / "docker") << "#!/bin/sh\nexec sleep 120\n";
    fs::permissions(tools.path() / "docker", fs::perms::owner_all);
    DockerScanner::Testing::setCLICandidates({{(tools.path() / "docker").string()}});
    fs::create_directories(home.home() / ".docker/run");
    std::ofstream(home.home() / ".docker/run/docker.sock") << "";  // any file there stands for the socket
    Platform::LogCapture log;
    EXPECT_EQ(paths(ProcessScanner::scan()), (std::vector<std::string>{path("Development/shop"), path("code/site")}));
    EXPECT_EQ(std::ranges::count(log.lines(), "Vellumark: docker ps timed out after 3s"), 1)
        << testing::PrintToString(log.lines());
}

}  // namespace
