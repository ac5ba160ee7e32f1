#include <gtest/gtest.h>

#include <cmath>

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/Settings/FilterRules.h"

using namespace ProcessScannerParsing;

namespace {

const std::string home = "/Users/a";
const std::string dev = "/Users/a/Development";

DevServer server(std::int32_t pid, std::vector<int> ports, double cpu = 0, std::string command = "node") {
    DevServer s;
    s.pid = s.pgid = pid, s.command = std::move(command), s.ports = std::move(ports), s.cpu = cpu;
    return s;
}

PSEntry row(std::int32_t pgid, double cpu = 0, double mem = 0, std::int64_t rss = 0) {
    return PSEntry{pgid, cpu, mem, rss, std::nullopt, std::nullopt, std::nullopt};
}

std::vector<std::string> paths(const std::vector<DevProject>& projects) {
    std::vector<std::string> result;
    for (const auto& p : projects) result.push_back(p.path);
    return result;
}

}  // namespace

TEST(ProjectScope, belowHomeOrAnIncludedFolderButNeverLibraryHiddenOrExcluded) {
    using Folders = std::vector<std::string>;
    struct Case {
        const char* cwd;
        Folders excluded, included;
        bool inScope;
    };
    for (const Case& c : {Case{"/Users/a/code/site", {}, {}, true},
                          {"/Users/a/", {}, {}, false},
                          {"/", {}, {}, false},
                          {"/Users/a/Library/Caches/x", {}, {}, false},
                          {"/Users/a/.cache/tool", {}, {}, false},
                          {"/Users/a/code", {"/Users/a/code/"}, {}, false},
                          {"/opt/work/x", {}, {}, false},
                          {"/opt/work/x", {}, {"/opt/work"}, true},
                          {"/opt/work/.git", {}, {"/opt/work"}, false},
                          {"/opt/work/x", {"/opt"}, {"/opt/work"}, false},  // excluded wins even around included
                          {"/opt/work/x", {"/"}, {"/"}, false}}) {          // "/" matches nothing
        EXPECT_EQ(isInScope(c.cwd, home, c.excluded, c.included), c.inScope) << c.cwd;
    }
    EXPECT_TRUE(isInScope("/Users/a/code", "/Users/a/", {}, {}));
}

TEST(ProjectScope, identityIsTheFirstFolderBelowDevelopmentElseTheFolderItself) {
    const std::pair<std::string, ProjectIdentity> cases[] = {
        {dev + "/shop/web", {"shop", dev + "/shop"}},
        {dev, {"Development", dev}},
        {"/Users/a/code/site/packages/web", {"web", "/Users/a/code/site/packages/web"}},
        {"/Users/a/DevelopmentX/y", {"y", "/Users/a/DevelopmentX/y"}}};
    for (const auto& [cwd, identity] : cases) EXPECT_EQ(projectIdentity(cwd, dev), identity) << cwd;
    EXPECT_EQ(projectIdentity(dev + "/shop/api", dev + "/"), (ProjectIdentity{"shop", dev + "/shop"}));
}

TEST(ProjectGrouping, oneServerPerProcessGroupWithTheLowestPortAsRepresentative) {
    const WorkingDirectories cwds{{200, {"node", dev + "/shop/api"}}, {300, {"vite", dev + "/shop/web"}},
                                  {400, {"a", "/Users/a/x"}},         {401, {"b", "/Users/a/y"}},
                                  {500, {"ruby", "/Users/a"}},        {600, {"me", dev + "/self"}}};
    const ListeningPorts ports{{200, {8080}}, {300, {3000}}, {400, {3000}}, {401, {3000}}, {500, {9000}},
                               {600, {1234}}, {700, {5000}}, {800, {}},     {900, {9000}}};
    ProcessTable stats{{200, row(100, 1, 2, 10)},
                       {300, row(100, 2, 1, 20)},
                       {150, row(100, 0.5, 0, 1)},
                       {401, row(400)},
                       {700, row(700)}};
    stats[300].uptimeSeconds = 60, stats[300].commandLine = "vite dev";
    stats[700].commandLine = "  /usr/local/bin/redis-server *:5000";
    const auto projects = buildProjects(cwds, ports, stats, home, dev, 600, {}, {}, {});
    EXPECT_EQ(paths(projects), (std::vector<std::string>{dev + "/shop", "/Users/a/x"}));
    DevServer shop = server(300, {3000, 8080}, 3.5, "vite");  // sums over the group, kilobytes as bytes
    shop.pgid = 100, shop.groupPIDs = {150, 200, 300}, shop.uptimeSeconds = 60, shop.mem = 3, shop.rss = 31 * 1024;
    shop.commandLine = "vite dev", shop.cwd = dev + "/shop/web";
    EXPECT_EQ(projects[0].servers, std::vector{shop});
    // 400 is missing from the process table, so its pid is its group; 401 belongs to that group.
    // Both listen on 3000: the lower pid represents them.
    EXPECT_EQ(projects[1].servers.at(0).pid, 400);
    EXPECT_EQ(projects[1].servers.at(0).groupPIDs, (std::vector<std::int32_t>{400, 401}));
    EXPECT_EQ(projects[1].servers.at(0).rss, 0);

    // Watched ports bring out-of-scope listeners in as background services, named by lsof or by ps;
    // 900 has neither a folder nor a process-table entry to name it.
    const auto watched = buildProjects(cwds, ports, stats, home, dev, 600, {}, {}, {5000, 9000, 1234});
    EXPECT_EQ(paths(watched),
              (std::vector<std::string>{dev + "/shop", "service://redis-server", "service://ruby", "/Users/a/x"}));
    EXPECT_EQ(watched[2].name, "ruby");
    EXPECT_EQ(buildProjects(cwds, ports, stats, home, dev, 600, {}, {}, {(1LL << 32) + 5000, (1LL << 32) + 9000}),
              projects);
    EXPECT_FALSE(watched[2].servers[0].cwd.has_value());  // out of scope: the folder is not shown
}

// Run as root, the tools list every user's processes. 200 is ours and shares group 100 with 160 (ours)
// and 150 (a helper of another user); 400 is another user's listener; 500 ended before its owner was
// read; 900 is in no listening group and was not looked up.
TEST(ProjectOwnership, onlyTheUsersOwnListenersAndGroupMembersMakeServers) {
    const WorkingDirectories cwds{
        {200, {"node", dev + "/shop/api"}}, {400, {"node", dev + "/theirs"}}, {500, {"node", dev + "/gone"}}};
    const ListeningPorts ports{{200, {8080}}, {400, {3000}}, {500, {4000}}};
    const ProcessTable stats{{150, row(100, 40, 1, 100)},
                             {160, row(100, 1)},
                             {200, row(100, 2)},
                             {400, row(400)},
                             {500, row(500)},
                             {900, row(900)}};
    const ProcessOwners owners{{150, 0}, {160, 1000}, {200, 1000}, {400, 1001}};

    const ListeningPorts own = ownListeners(ports, owners, 1000);
    EXPECT_EQ(own, (ListeningPorts{{200, {8080}}}));
    const ProcessTable table = withoutOthersProcesses(stats, owners, 1000);
    EXPECT_EQ(table, (ProcessTable{{160, row(100, 1)}, {200, row(100, 2)}, {500, row(500)}, {900, row(900)}}));
    const auto projects = buildProjects(cwds, own, table, home, dev, 1, {}, {}, {});
    ASSERT_EQ(paths(projects), std::vector<std::string>{dev + "/shop"});
    EXPECT_EQ(projects[0].servers.at(0).groupPIDs, (std::vector<std::int32_t>{160, 200}));
    EXPECT_EQ(projects[0].servers.at(0).cpu, 3);
}

TEST(ProjectFilters, ignoredPortsAndHiddenKeysRemoveServersAndEmptyProjects) {
    const std::vector<DevProject> input{{"b", "/b", {server(1, {3000, 5173}), server(2, {3000})}},
                                        {"a", "/a", {server(3, {3000})}},
                                        {"c", "/c", {server(4, {}, 0, "docker")}}};
    EXPECT_EQ(applyFilters(input, FilterRules{}), input);
    EXPECT_EQ(applyFilters(input, FilterRules{{3000}, {}, {}, {}, {}}),
              (std::vector<DevProject>{{"b", "/b", {server(1, {5173})}}}));
    // A hidden key matches ignored ports too.
    EXPECT_TRUE(applyFilters(input, FilterRules{{3000}, {"node:3000"}, {}, {}, {}}).empty());
    // Any rule at all drops a server without ports; a stored port beyond 32 bits matches none.
    EXPECT_EQ(paths(applyFilters(input, FilterRules{{}, {}, {}, {}, {1}})), (std::vector<std::string>{"/b", "/a"}));
    EXPECT_EQ(applyFilters(input, FilterRules{{(1LL << 32) + 3000}, {}, {}, {}, {}}),
              applyFilters(input, FilterRules{{1}, {}, {}, {}, {}}));
}

TEST(ProjectSorting, eachModeOrdersByItsKeysAndKeepsTiesStable) {
    auto withUptime = [](DevServer s, std::int64_t up) {
        s.uptimeSeconds = up;
        s.mem = double(up);
        return s;
    };
    const std::vector<DevProject> input{{"web", "/z/web", {server(1, {8080}, 1.0)}},
                                        {"web", "/a/web", {server(2, {3000}, 1.0)}},
                                        {"api", "/api", {withUptime(server(3, {5000}, 0.5), 10)}},
                                        {"Zed", "/zed", {withUptime(server(4, {}, 0.5), 99)}},
                                        {"db", "/db", {}}};
    auto order = [&](SortMode mode) { return paths(sorted(input, mode)); };
    using P = std::vector<std::string>;
    EXPECT_EQ(order(SortMode::activity), (P{"/a/web", "/z/web", "/zed", "/api", "/db"}));
    EXPECT_EQ(order(SortMode::cpu), (P{"/z/web", "/a/web", "/zed", "/api", "/db"}));      // stable on equal keys
    EXPECT_EQ(order(SortMode::project), (P{"/zed", "/api", "/db", "/a/web", "/z/web"}));  // case-sensitive
    EXPECT_EQ(order(SortMode::port), (P{"/a/web", "/api", "/z/web", "/zed", "/db"}));
    EXPECT_EQ(order(SortMode::memory), (P{"/zed", "/api", "/db", "/z/web", "/a/web"}));
    EXPECT_EQ(order(SortMode::uptime), (P{"/zed", "/api", "/db", "/z/web", "/a/web"}));
    // NaN totals must not break the sort's ordering; they go last.
    auto odd = input;
    odd[2].servers[0].cpu = std::nan("");
    EXPECT_EQ(paths(sorted(odd, SortMode::cpu)).back(), "/api");
}
