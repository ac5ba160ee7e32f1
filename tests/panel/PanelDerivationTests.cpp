// What the panel derives from a snapshot: search, counts, orders, conflicts, ghost rows and the rows
// on screen, and the texts that follow them, on the cases where a slip shows (the rest is seen through
// the whole panel in MenuContentViewTests).

#include <gtest/gtest.h>

#include <memory>

#include "Core/PanelModel/PanelDerivation.h"
#include "Core/PanelModel/PanelText.h"
#include "Shared/ScanText.h"
#include "support/DevServers.h"

namespace {

using testing_support::devServer;

std::shared_ptr<const ProcessSnapshot> snapshotOf(std::vector<DevProject> projects) {
    return std::make_shared<const ProcessSnapshot>(ProcessSnapshot{Platform::Date{}, std::move(projects)});
}

DisplayPrefs prefs(SortMode mode, bool grouped) {
    DisplayPrefs p;
    p.sortMode = mode;
    p.grouped = grouped;
    return p;
}

std::vector<std::int32_t> flatPIDs(const PanelDerivation& d) {
    std::vector<std::int32_t> pids;
    for (const auto& entry : d.filteredFlat) pids.push_back(entry.server->pid);
    return pids;
}

RestartEntry restart(std::int32_t originalPID, std::string projectPath) {
    RestartEntry entry;
    entry.id = "r" + std::to_string(originalPID);
    entry.originalPID = originalPID;
    entry.projectPath = std::move(projectPath);
    return entry;
}

TEST(PanelSearch, TrimsBlanksButNotLineBreaksAndSearchesNameCommandPidAndPortsOnly) {
    DevServer deno = devServer(1200, {4000}, "deno");
    deno.commandLine = "deno run --port 51";  // the command line is not searched
    deno.cwd = "/home/dev/dev51";             // nor the folder or the project's path
    const auto snapshot =
        snapshotOf({{"Api51", "/home/dev/api", {devServer(700, {3000}, "ruby")}},
                    {"shop", "/home/dev/shop", {devServer(4512, {8080}, "python3"), devServer(900, {5173}, "NODE")}},
                    {"Développement", "/home/dev/dev51", {deno}}});
    const DisplayPrefs flat = prefs(SortMode::port, false);

    EXPECT_EQ(flatPIDs(PanelDerivation::derive(snapshot, flat, "51", {})), (std::vector<std::int32_t>{700, 900, 4512}));
    const PanelDerivation node = PanelDerivation::derive(snapshot, flat, " \t NODE\u3000 ", {});
    EXPECT_TRUE(node.isSearching);
    EXPECT_EQ(flatPIDs(node), (std::vector<std::int32_t>{900}));
    EXPECT_EQ(flatPIDs(PanelDerivation::derive(snapshot, flat, "DÉV", {})), (std::vector<std::int32_t>{1200}));
    EXPECT_FALSE(PanelDerivation::derive(snapshot, flat, " \t\u00A0 ", {}).isSearching);
    const PanelDerivation lineBreak = PanelDerivation::derive(snapshot, flat, "\nnode", {});
    EXPECT_TRUE(lineBreak.isSearching);
    EXPECT_EQ(lineBreak.matchCount, 0u);
    EXPECT_EQ(ScanText::trimSpacesAndTabs(" \tnode \n\t"), "node \n");
}

TEST(PanelSearch, ProjectsKeepOnlyMatchingServersAndCountsFollowTheMode) {
    const auto snapshot = snapshotOf({{"shop", "/p/shop", {devServer(1, {3000}, "vite"), devServer(2, {3001}, "node")}},
                                      {"blog", "/p/blog", {devServer(3, {4000}, "hugo")}}});
    for (const bool grouped : {true, false}) {
        const PanelDerivation d = PanelDerivation::derive(snapshot, prefs(SortMode::project, grouped), "vite", {});
        EXPECT_EQ(d.matchCount, 1u);
        EXPECT_EQ(d.totalServers, 3u);
        ASSERT_EQ(d.filteredProjects.size(), 1u);  // blog has no match and goes
        EXPECT_EQ(d.filteredProjects[0].servers.size(), 1u);
        EXPECT_EQ(d.navSignature, "1:3000");
    }
    EXPECT_EQ(PanelDerivation::derive(snapshot, prefs(SortMode::project, true), "", {}).matchCount, 3u);
}

TEST(PanelFlatList, EachModeSortsByItsKeyThenItsTieBreakStably) {
    DevServer noUptime = devServer(10, {3000});
    DevServer zeroUptime = devServer(11, {3001});
    zeroUptime.uptimeSeconds = 0;
    DevServer longUp = devServer(12, {3002});
    longUp.uptimeSeconds = 500;
    DevServer noPorts = devServer(5, {});
    DevServer bigRSS = devServer(20, {4000});
    bigRSS.mem = 1.0;
    bigRSS.rss = 900'000'000;
    DevServer smallRSS = devServer(21, {4001});
    smallRSS.mem = 2.0;
    smallRSS.rss = 1'000;
    const auto snapshot = snapshotOf({{"a", "/a", {noUptime, zeroUptime, longUp, noPorts}},
                                      {"b", "/b", {bigRSS, smallRSS, devServer(3, {3002}), devServer(2, {3002})}}});
    const auto order = [&](SortMode mode) {
        return flatPIDs(PanelDerivation::derive(snapshot, prefs(mode, false), "", {}));
    };
    EXPECT_EQ(order(SortMode::uptime), (std::vector<std::int32_t>{12, 11, 10, 3, 2, 20, 21, 5}));
    EXPECT_EQ(order(SortMode::port), (std::vector<std::int32_t>{10, 11, 2, 3, 12, 20, 21, 5}));
    EXPECT_EQ(order(SortMode::memory), (std::vector<std::int32_t>{21, 20, 10, 11, 12, 3, 2, 5}));
    // Equal CPU: first port, then the flattened order (12 before 3 and 2, all on 3002).
    EXPECT_EQ(order(SortMode::activity), order(SortMode::cpu));
    EXPECT_EQ(order(SortMode::activity), (std::vector<std::int32_t>{10, 11, 12, 3, 2, 20, 21, 5}));
}

TEST(PanelConflicts, EachServerCountsOncePerPortWhateverItsProject) {
    DevServer twice = devServer(1, {3000, 3000});
    const auto one = snapshotOf({{"a", "/a", {twice}}});
    EXPECT_TRUE(PanelDerivation::derive(one, {}, "", {}).conflictingPorts.empty());

    const auto many = snapshotOf({{"web", "/web", {devServer(1, {3000, 8080}), devServer(2, {5173})}},
                                  {"api", "/api", {devServer(3, {3000}), devServer(4, {8080})}},
                                  {"web", "/other/web", {devServer(5, {5173})}},
                                  {"solo", "/solo", {devServer(6, {9000}), devServer(7, {9000})}}});
    const PanelDerivation d = PanelDerivation::derive(many, {}, "", {});
    EXPECT_EQ(d.conflictingPorts, (std::set<int>{3000, 5173, 8080, 9000}));
    ASSERT_EQ(d.conflicts.size(), 4u);
    EXPECT_EQ(d.conflicts[0], (PanelDerivation::PortConflict{3000, {"web", "api"}}));
    EXPECT_EQ(d.conflicts[1], (PanelDerivation::PortConflict{5173, {"web"}}));  // one name, two servers
    EXPECT_EQ(d.conflicts[3], (PanelDerivation::PortConflict{9000, {"solo"}}));
    EXPECT_TRUE(PanelDerivation::derive(nullptr, {}, "", {}).conflicts.empty());
}

TEST(PanelGhosts, RestartsStandInTheirProjectOrAfterEverythingAndNeverWhileSearching) {
    const auto snapshot = snapshotOf({{"shop", "/p/shop", {devServer(1, {3000})}}});
    const std::vector<RestartEntry> restarts = {restart(1, "/p/shop"), restart(2, "/p/shop"), restart(3, "/p/gone")};
    const PanelDerivation d = PanelDerivation::derive(snapshot, {}, "", restarts);
    ASSERT_EQ(d.projectGhosts.size(), 1u);
    ASSERT_EQ(d.projectGhosts[0].size(), 1u);  // pid 1 still runs: its row stays a server row
    EXPECT_EQ(d.projectGhosts[0][0].originalPID, 2);
    ASSERT_EQ(d.allGhostRestarts.size(), 2u);
    ASSERT_EQ(d.orphanedRestarts.size(), 1u);
    EXPECT_EQ(d.orphanedRestarts[0].originalPID, 3);
    EXPECT_TRUE(PanelDerivation::derive(snapshot, {}, "shop", restarts).projectGhosts[0].empty());
    EXPECT_EQ(PanelDerivation::derive(nullptr, {}, "", restarts).allGhostRestarts.size(), 3u);
}

TEST(PanelRows, OneRowPerPortInDisplayOrderAndNoneForAServerWithoutPorts) {
    DevServer busy = devServer(4312, {5173, 5174}, "vite", 50);
    const auto snapshot = snapshotOf(
        {{"web", "/p/web", {busy, devServer(7, {})}}, {"api", "/p/api", {devServer(901, {8080}, "go", 90)}}});
    const PanelDerivation grouped = PanelDerivation::derive(snapshot, prefs(SortMode::project, true), "", {});
    EXPECT_EQ(grouped.navSignature, "901:8080,4312:5173,4312:5174");  // projects by name
    ASSERT_EQ(grouped.visibleRows.size(), 3u);
    EXPECT_EQ(grouped.visibleRows[0].project->name, "api");
    const PanelDerivation flat = PanelDerivation::derive(snapshot, prefs(SortMode::cpu, false), "", {});
    EXPECT_EQ(flat.navSignature, "901:8080,4312:5173,4312:5174");
    EXPECT_EQ(PanelDerivation::derive(nullptr, {}, "", {}).navSignature, "");
}

// The plural follows the total, even while searching; "+N more" only with another conflict.
TEST(PanelText, PluralsBlanksAndTheListsHeightWithinItsBounds) {
    EXPECT_EQ(PanelText::countChip(false, 1, 1), "1 server");
    EXPECT_EQ(PanelText::countChip(true, 1, 1), "1 of 1 server");
    EXPECT_EQ(PanelText::countChip(true, 1, 2), "1 of 2 servers");
    EXPECT_EQ(PanelText::stopAllQuestion(3, "shop"), "Stop all 3 servers in shop?");
    EXPECT_EQ(PanelText::conflictNames({"web"}, 1), "web");
    EXPECT_EQ(PanelText::noResultsTitle(" \tvite\n \t"), "No servers match \u201Cvite\n\u201D");
    EXPECT_EQ(PanelText::listMaximumHeight(300), 180);
    EXPECT_EQ(PanelText::listMaximumHeight(600), 440);
    EXPECT_EQ(PanelText::listMaximumHeight(1000), 560);
    EXPECT_EQ(PanelText::listMaximumHeight(std::nullopt), 560);
}

}  // namespace
