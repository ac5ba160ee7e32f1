// Containers joining the projects found from native processes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Shared/Docker/DockerParsing.h"

using DockerParsing::Container;
using DockerParsing::merge;

namespace {

const std::string devFolder = "/Users/u/Development";

DevServer nativeServer(std::int32_t pid, std::vector<int> ports, double cpu = 0) {
    DevServer server;
    server.pid = pid;
    server.pgid = pid;
    server.groupPIDs = {pid};
    server.command = "node";
    server.ports = std::move(ports);
    server.cpu = cpu;
    server.rss = 1024;
    return server;
}

Container composeContainer(std::string id, std::string name, std::string workingDir, std::vector<int> ports) {
    return Container{.id = std::move(id), .name = std::move(name), .image = "ghcr.io/acme/api:2",
                     .hostPorts = std::move(ports), .composeWorkingDir = std::move(workingDir),
                     .uptimeSeconds = 120};
}

Container plainContainer(std::string id, std::string name, std::vector<int> ports) {
    return Container{.id = std::move(id), .name = std::move(name), .image = "redis:7",
                     .hostPorts = std::move(ports), .composeWorkingDir = std::nullopt,
                     .uptimeSeconds = std::nullopt};
}

std::vector<std::string> paths(const std::vector<DevProject>& projects) {
    std::vector<std::string> result;
    for (const auto& project : projects) result.push_back(project.path);
    return result;
}

// Deliberately not in activity order, with servers not in port order.
std::vector<DevProject> nativeProjects() {
    return {
        DevProject{"zeta", devFolder + "/zeta", {nativeServer(20, {9000}), nativeServer(21, {3000})}},
        DevProject{"shop", devFolder + "/shop", {nativeServer(10, {5173}, 1.5), nativeServer(11, {4000})}},
        DevProject{"alpha", devFolder + "/alpha", {nativeServer(30, {8000})}},
    };
}

TEST(DockerMerge, WithoutContainersReturnsTheProjectsAsGiven) {
    EXPECT_EQ(merge({}, nativeProjects(), devFolder, {}), nativeProjects());
}

TEST(DockerMerge, WithContainersReordersServersByPortAndProjectsByActivity) {
    const auto merged = merge({plainContainer("r1", "redis", {6379})}, nativeProjects(), devFolder, {});
    // shop has the most CPU; the rest tie at 0 and go by name.
    EXPECT_EQ(paths(merged), (std::vector<std::string>{devFolder + "/shop", devFolder + "/alpha", "docker:/redis",
                                                       devFolder + "/zeta"}));
    EXPECT_EQ(merged[0].servers[0].pid, 11);
    EXPECT_EQ(merged[0].servers[1].pid, 10);
    EXPECT_EQ(merged[3].servers[0].pid, 21);
}

TEST(DockerMerge, TiedFirstPortsGoByPidAndServersWithoutPortsGoLast) {
    auto noPorts = nativeServer(1, {});
    std::vector<DevProject> projects{
        DevProject{"p", "/p", {noPorts, nativeServer(7, {3000, 4000}), nativeServer(5, {3000})}}};
    const auto merged = merge({plainContainer("r1", "redis", {6379})}, projects, devFolder, {});
    const auto& servers = merged[1].path == "/p" ? merged[1].servers : merged[0].servers;
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].pid, 5);
    EXPECT_EQ(servers[1].pid, 7);
    EXPECT_EQ(servers[2].pid, 1);
}

TEST(DockerMerge, AComposeContainerJoinsTheNativeProjectOfItsFolder) {
    const auto container = composeContainer("abc", "shop-api-1", devFolder + "/shop/api", {8080});
    const auto merged = merge({container}, nativeProjects(), devFolder, {});
    ASSERT_EQ(merged.size(), 3u);
    const auto& shop = merged[0];
    EXPECT_EQ(shop.path, devFolder + "/shop");
    EXPECT_EQ(shop.name, "shop");
    ASSERT_EQ(shop.servers.size(), 3u);
    EXPECT_EQ(shop.servers[0].pid, 11);
    EXPECT_EQ(shop.servers[1].pid, 10);

    DevServer expected;
    expected.pid = -440920331;  // syntheticPGID("abc")
    expected.pgid = -440920331;
    expected.command = "api:2";
    expected.ports = {8080};
    expected.uptimeSeconds = 120;
    expected.commandLine = "docker: shop-api-1 \xE2\x80\x94 ghcr.io/acme/api:2";
    expected.cwd = devFolder + "/shop/api";
    expected.containerID = "abc";
    expected.containerName = "shop-api-1";
    EXPECT_EQ(shop.servers[2], expected);
}

TEST(DockerMerge, AnExistingProjectKeepsItsName) {
    std::vector<DevProject> projects{DevProject{"My Shop", devFolder + "/shop", {nativeServer(10, {5173})}}};
    const auto merged = merge({composeContainer("abc", "web", devFolder + "/shop", {3000})}, projects, devFolder, {});
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_EQ(merged[0].name, "My Shop");
    EXPECT_EQ(merged[0].servers.size(), 2u);
    EXPECT_EQ(merged[0].servers[0].containerName, "web");
}

TEST(DockerMerge, AComposeContainerInAnExcludedFolderIsDropped) {
    for (const auto& excluded : std::vector<std::string>{devFolder + "/shop", devFolder + "/shop/"}) {
        const auto merged = merge({composeContainer("abc", "api", devFolder + "/shop/api", {8080})},
                                  nativeProjects(), devFolder, {"", "/", excluded});
        ASSERT_EQ(merged.size(), 3u) << excluded;
        EXPECT_EQ(merged[0].servers.size(), 2u) << excluded;
    }
}

TEST(DockerMerge, ExcludedFoldersMatchWholePathComponentsOnly) {
    const auto merged = merge({composeContainer("abc", "api", devFolder + "/shop/api", {8080})}, {}, devFolder,
                              {devFolder + "/sho", "/", "", devFolder + "/shop/ap"});
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_EQ(merged[0].path, devFolder + "/shop");
}

TEST(DockerMerge, AComposeFolderOutsideTheDevelopmentFolderIsItsOwnProject) {
    // Neither the project scope nor hidden folders apply to containers.
    const auto merged = merge({composeContainer("a", "api", "/Users/u/.config/stack", {8080}),
                               composeContainer("b", "web", "/srv/apps/web", {3000})},
                              {}, devFolder, {});
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].path, "/Users/u/.config/stack");
    EXPECT_EQ(merged[0].name, "stack");
    EXPECT_EQ(merged[1].path, "/srv/apps/web");
    EXPECT_EQ(merged[1].name, "web");
}

TEST(DockerMerge, ContainersWithoutComposeLabelFormOneProjectEach) {
    const auto merged = merge({plainContainer("r1", "redis", {6379}), plainContainer("m1", "mongo", {27017})},
                              {}, devFolder, {devFolder});
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].path, "docker:/mongo");
    EXPECT_EQ(merged[0].name, "mongo");
    EXPECT_EQ(merged[1].path, "docker:/redis");
    EXPECT_EQ(merged[1].name, "redis");
    EXPECT_EQ(merged[1].servers[0].cwd, std::nullopt);
    EXPECT_EQ(merged[1].servers[0].groupPIDs, std::vector<std::int32_t>{});
    EXPECT_EQ(merged[1].servers[0].rss, std::nullopt);
    EXPECT_EQ(merged[1].servers[0].keptAlive, std::nullopt);
}

TEST(DockerMerge, ContainersOfOneComposeProjectShareIt) {
    const auto merged = merge({composeContainer("a", "shop-web-1", devFolder + "/shop", {3000}),
                               composeContainer("b", "shop-db-1", devFolder + "/shop", {5432})},
                              {}, devFolder, {});
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_EQ(merged[0].name, "shop");
    ASSERT_EQ(merged[0].servers.size(), 2u);
    EXPECT_EQ(merged[0].servers[0].containerName, "shop-web-1");
    EXPECT_EQ(merged[0].servers[1].containerName, "shop-db-1");
}

TEST(DockerMerge, AProjectPathGivenTwiceKeepsTheServersOfBoth) {
    std::vector<DevProject> projects{DevProject{"a", "/a", {nativeServer(1, {3000})}},
                                     DevProject{"a", "/a", {nativeServer(2, {4000})}}};
    const auto merged = merge({plainContainer("r1", "redis", {6379})}, projects, devFolder, {});
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].path, "/a");
    EXPECT_EQ(merged[0].servers.size(), 2u);
}

}  // namespace
