// Containers joining the projects found from native processes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Shared/Docker/DockerParsing.h"

using DockerParsing::Container;
using DockerParsing::merge;
using Paths = std::vector<std::string>;

namespace {

const std::string devFolder = "/Users/u/Development";

DevServer nativeServer(std::int32_t pid, std::vector<int> ports, double cpu = 0) {
    DevServer server;
    server.pid = server.pgid = pid;
    server.groupPIDs = {pid};
    server.command = "node";
    server.ports = std::move(ports);
    server.cpu = cpu;
    return server;
}

Container composeContainer(std::string id, std::string name, std::string workingDir, std::vector<int> ports) {
    return Container{std::move(id), std::move(name), "ghcr.io/acme/api:2", std::move(ports), std::move(workingDir), 120};
}

Container plainContainer(std::string id, std::string name, std::vector<int> ports) {
    return Container{std::move(id), std::move(name), "redis:7", std::move(ports), std::nullopt, std::nullopt};
}

Paths paths(const std::vector<DevProject>& projects) {
    Paths result;
    for (const auto& project : projects) result.push_back(project.path);
    return result;
}

std::vector<std::int32_t> pids(const DevProject& project) {
    std::vector<std::int32_t> result;
    for (const auto& server : project.servers) result.push_back(server.pid);
    return result;
}

// Deliberately not in activity order, with servers not in port order.
std::vector<DevProject> nativeProjects() {
    return {
        DevProject{"zeta", devFolder + "/zeta", {nativeServer(20, {9000}), nativeServer(21, {3000})}},
        DevProject{"shop", devFolder + "/shop", {nativeServer(10, {5173}, 1.5), nativeServer(11, {4000})}},
        DevProject{"alpha", devFolder + "/alpha", {nativeServer(1, {}), nativeServer(7, {3000, 4000}),
                                                   nativeServer(5, {3000})}},
    };
}

TEST(DockerMerge, ReordersOnlyWhenThereAreContainers) {
    EXPECT_EQ(merge({}, nativeProjects(), devFolder, {}), nativeProjects());

    const auto merged = merge({plainContainer("r1", "redis", {6379})}, nativeProjects(), devFolder, {});
    // shop has the most CPU; the rest tie at 0 and go by name.
    EXPECT_EQ(paths(merged), (Paths{devFolder + "/shop", devFolder + "/alpha", "docker:/redis", devFolder + "/zeta"}));
    EXPECT_EQ(pids(merged[0]), (std::vector<std::int32_t>{11, 10}));
    // Tied first ports go by pid, servers without ports last.
    EXPECT_EQ(pids(merged[1]), (std::vector<std::int32_t>{5, 7, 1}));
    EXPECT_EQ(pids(merged[3]), (std::vector<std::int32_t>{21, 20}));
}

TEST(DockerMerge, AComposeContainerJoinsTheNativeProjectOfItsFolderKeepingItsName) {
    const auto merged = merge({composeContainer("abc", "shop-api-1", devFolder + "/shop/api", {8080})},
                              nativeProjects(), devFolder, {});
    ASSERT_EQ(merged.size(), 3u);
    EXPECT_EQ(merged[0].name, "shop");
    ASSERT_EQ(pids(merged[0]), (std::vector<std::int32_t>{11, 10, -440920331}));

    DevServer expected;
    expected.pid = expected.pgid = -440920331;  // syntheticPGID("abc")
    expected.command = "api:2";
    expected.ports = {8080};
    expected.uptimeSeconds = 120;
    expected.commandLine = "docker: shop-api-1 \xE2\x80\x94 ghcr.io/acme/api:2";
    expected.cwd = devFolder + "/shop/api";
    expected.containerID = "abc";
    expected.containerName = "shop-api-1";
    EXPECT_EQ(merged[0].servers[2], expected);

    std::vector<DevProject> named{DevProject{"My Shop", devFolder + "/shop", {nativeServer(10, {5173})}}};
    const auto renamed = merge({composeContainer("abc", "web", devFolder + "/shop", {3000})}, named, devFolder, {});
    ASSERT_EQ(renamed.size(), 1u);
    EXPECT_EQ(renamed[0].name, "My Shop");
}

TEST(DockerMerge, AComposeContainerInAnExcludedFolderIsDropped) {
    const auto api = composeContainer("abc", "api", devFolder + "/shop/api", {8080});
    for (const auto& excluded : {devFolder + "/shop", devFolder + "/shop/"}) {
        const auto merged = merge({api}, nativeProjects(), devFolder, {"", "/", excluded});
        ASSERT_EQ(merged.size(), 3u) << excluded;
        EXPECT_EQ(merged[0].servers.size(), 2u) << excluded;
    }
    // Excluded folders match whole path components only.
    const auto kept = merge({api}, {}, devFolder, {devFolder + "/sho", "/", "", devFolder + "/shop/ap"});
    EXPECT_EQ(paths(kept), Paths{devFolder + "/shop"});
}

TEST(DockerMerge, ComposeFoldersOutsideTheDevelopmentFolderAreProjectsOfTheirOwn) {
    // Neither the project scope nor hidden folders apply to containers.
    const auto merged = merge({composeContainer("a", "api", "/Users/u/.config/stack", {8080}),
                               composeContainer("b", "web", "/srv/apps/web", {3000}),
                               composeContainer("c", "db", "/srv/apps/web", {5432})},
                              {}, devFolder, {});
    ASSERT_EQ(paths(merged), (Paths{"/Users/u/.config/stack", "/srv/apps/web"}));
    EXPECT_EQ(merged[0].name, "stack");
    EXPECT_EQ(merged[1].name, "web");
    EXPECT_EQ(merged[1].servers.size(), 2u);
}

TEST(DockerMerge, ContainersWithoutComposeLabelFormOneProjectEach) {
    const auto merged = merge({plainContainer("r1", "redis", {6379}), plainContainer("m1", "mongo", {27017})},
                              {}, devFolder, {devFolder});
    ASSERT_EQ(paths(merged), (Paths{"docker:/mongo", "docker:/redis"}));
    EXPECT_EQ(merged[1].name, "redis");
    const DevServer& redis = merged[1].servers.at(0);
    EXPECT_TRUE(redis.groupPIDs.empty() && !redis.cwd && !redis.rss && !redis.keptAlive && !redis.uptimeSeconds);
}

TEST(DockerMerge, AProjectPathGivenTwiceKeepsTheServersOfBoth) {
    std::vector<DevProject> projects{DevProject{"a", "/a", {nativeServer(1, {3000})}},
                                     DevProject{"a", "/a", {nativeServer(2, {4000})}}};
    const auto merged = merge({plainContainer("r1", "redis", {6379})}, projects, devFolder, {});
    ASSERT_EQ(paths(merged), (Paths{"/a", "docker:/redis"}));
    EXPECT_EQ(pids(merged[0]), (std::vector<std::int32_t>{1, 2}));
}

}  // namespace
