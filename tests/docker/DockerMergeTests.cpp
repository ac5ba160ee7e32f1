// Containers joining the projects found from native processes.

#include <gtest/gtest.h>

#include "Shared/Docker/DockerParsing.h"
#include "support/DevServers.h"

using DockerParsing::Container;
using DockerParsing::merge;
using testing_support::devServer;
using Strings = std::vector<std::string>;
using PIDs = std::vector<std::int32_t>;

namespace {

const std::string dev = "/Users/u/Development";

Container compose(std::string id, std::string name, std::string workingDir, std::vector<int> ports = {8080}) {
    return {std::move(id), std::move(name), "ghcr.io/acme/api:2", std::move(ports), std::move(workingDir), 120};
}

Container plain(std::string id, std::string name) {
    return {std::move(id), std::move(name), "redis:7", {6379}, {}, {}};
}

Strings paths(const std::vector<DevProject>& projects) {
    Strings result;
    for (const auto& project : projects) result.push_back(project.path);
    return result;
}

PIDs pids(const DevProject& project) {
    PIDs result;
    for (const auto& server : project.servers) result.push_back(server.pid);
    return result;
}

// Deliberately not in activity order, with servers not in port order.
std::vector<DevProject> nativeProjects() {
    return {{"zeta", dev + "/zeta", {devServer(20, {9000}), devServer(21, {3000})}},
            {"shop", dev + "/shop", {devServer(10, {5173}, "node", 1.5), devServer(11, {4000})}},
            {"alpha", dev + "/alpha", {devServer(1, {}), devServer(7, {3000, 4000}), devServer(5, {3000})}}};
}

TEST(DockerMerge, AComposeContainerJoinsTheNativeProjectOfItsFolderAndAllIsReordered) {
    EXPECT_EQ(merge({}, nativeProjects(), dev, {}), nativeProjects()) << "without containers nothing changes";

    const auto merged =
        merge({compose("abc", "shop-api-1", dev + "/shop/api"), plain("r1", "redis")}, nativeProjects(), dev, {});
    // shop has the most CPU; the rest tie at 0 and go by name.
    EXPECT_EQ(paths(merged), (Strings{dev + "/shop", dev + "/alpha", "docker:/redis", dev + "/zeta"}));
    // By first port, tied ones by pid, servers without ports last.
    EXPECT_EQ(pids(merged[0]), (PIDs{11, 10, -440920331}));
    EXPECT_EQ(pids(merged[1]), (PIDs{5, 7, 1}));
    EXPECT_EQ(pids(merged[3]), (PIDs{21, 20}));

    // -440920331 is syntheticPGID("abc").
    EXPECT_EQ(merged[0].servers[2], (DevServer{-440920331,
                                               -440920331,
                                               {},
                                               "api:2",
                                               {8080},
                                               120,
                                               0,
                                               0,
                                               {},
                                               "docker: shop-api-1 \xE2\x80\x94 ghcr.io/acme/api:2",
                                               dev + "/shop/api",
                                               "abc",
                                               "shop-api-1",
                                               {}}));
    const DevServer& redis = merged[2].servers.at(0);
    EXPECT_EQ(merged[2].name, "redis");
    EXPECT_TRUE(redis.groupPIDs.empty() && !redis.cwd && !redis.rss && !redis.keptAlive && !redis.uptimeSeconds);

    const auto renamed = merge({compose("abc", "web", dev + "/shop")}, {{"My Shop", dev + "/shop", {}}}, dev, {});
    ASSERT_EQ(renamed.size(), 1u);
    EXPECT_EQ(renamed[0].name, "My Shop") << "the project keeps its name";
}

TEST(DockerMerge, AComposeContainerInAnExcludedFolderIsDropped) {
    const auto api = compose("abc", "api", dev + "/shop/api");
    for (const auto& excluded : {dev + "/shop", dev + "/shop/"}) {
        const auto merged = merge({api}, nativeProjects(), dev, {"", "/", excluded});
        ASSERT_EQ(merged.size(), 3u) << excluded;
        EXPECT_EQ(merged[0].servers.size(), 2u) << excluded;
    }
    // Whole path components only.
    EXPECT_EQ(paths(merge({api}, {}, dev, {dev + "/sho", "/", "", dev + "/shop/ap"})), Strings{dev + "/shop"});
}

TEST(DockerMerge, OtherContainersFormProjectsOfTheirOwnAndARepeatedPathKeepsBothServerLists) {
    // Neither the project scope nor hidden folders apply to containers.
    const auto merged = merge({compose("a", "api", "/Users/u/.config/stack"), compose("b", "web", "/srv/web", {3000}),
                               compose("c", "db", "/srv/web", {5432}), plain("m1", "mongo")},
                              {{"a", "/a", {devServer(1, {3000})}}, {"a", "/a", {devServer(2, {4000})}}}, dev, {dev});
    EXPECT_EQ(paths(merged), (Strings{"/a", "docker:/mongo", "/Users/u/.config/stack", "/srv/web"}));
    EXPECT_EQ(merged[2].name, "stack");
    EXPECT_EQ(merged[3].name, "web");
    EXPECT_EQ(merged[3].servers.size(), 2u);
    EXPECT_EQ(pids(merged[0]), (PIDs{1, 2}));
}

}  // namespace
