// What the tray icon shows for a scan: state, texts, when it pulses and the pulse's frames.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "App/StatusTile/StatusTileDerivation.h"
#include "App/StatusTile/StatusTilePulse.h"
#include "Core/Trackers/EnergyMonitor.h"
#include "Core/Trackers/NewServerTracker.h"
#include "support/DevServers.h"

namespace {

using StatusTile::State;
using testing_support::devServer;
using testing_support::project;
using namespace std::chrono_literals;

TEST(StatusTileConflict, NamesTheSmallestSharedPortAndItsProjectsInListOrderEachOnce) {
    const std::pair<std::vector<DevProject>, std::optional<std::string>> cases[] = {
        {{project("shop", {devServer(10, {8080, 3000})}),
          project("blog", {devServer(20, {3000}), devServer(21, {8080})})},
         ":3000 used by shop + blog"},
        {{project("zeta", {devServer(1, {5000})}), project("alpha", {devServer(2, {5000})})},
         ":5000 used by zeta + alpha"},
        {{project("shop", {devServer(10, {3000}), devServer(11, {3000})})}, ":3000 used by shop"},
        {{project("shop", {devServer(10, {3000, 3000})})}, std::nullopt},  // IPv4 and IPv6 of one server
        {{project("a", {devServer(1, {80})}), project("b", {devServer(2, {80})}), project("a", {devServer(3, {80})}),
          project("c", {devServer(4, {80})})},
         ":80 used by a + b + c"},
        {{project("shop", {devServer(10, {3000})}), project("blog", {devServer(20, {4000})})}, std::nullopt},
    };
    for (const auto& [projects, expected] : cases) EXPECT_EQ(StatusTile::conflictText(projects), expected);
}

TEST(StatusTileDerivation, StateTextsAndPulse) {
    const auto shop = project("shop", {devServer(10, {3000})});
    const std::vector<DevProject> clash = {shop, project("blog", {devServer(20, {3000})})},
                                  clashWithNew = {shop, project("blog", {devServer(30, {3000})})},
                                  // Groups from 30 up are new; the list's order decides which one is named.
        fresh = {shop, project("blog", {devServer(40, {5173, 24678}), devServer(30, {8000})})},
                                  hot = {shop, project("blog", {devServer(20, {4000}), devServer(21, {4001})}),
                                         project("docs", {devServer(21, {4002})})};  // 21 is hot
    auto hotAndFresh = hot;
    hotAndFresh[0].servers.push_back(devServer(30, {5000}));
    const std::string none = "Vellumark · no live servers", noneLabel = "Vellumark · no servers running",
                      clashed = ":3000 used by shop + blog", clashLabel = "Vellumark · port conflict on " + clashed,
                      announced = "Vellumark · new server on :5173", three = "Vellumark · 3 servers running";
    using enum State;
    struct Row {
        std::vector<DevProject> projects;
        State state;
        std::string toolTip, label = {};  // no label: the tool tip's text
        bool pulse = false;
        State current = running;
        int seconds = 5;  // after the first scan; the new groups turned up at 1
        bool flash = true, energyIcon = false, popoverOpen = false, popoverWasOpen = false;
    };
    const Row rows[] = {
        {.projects = {}, .state = idle, .toolTip = none, .label = noneLabel, .current = idle},
        {.projects = {project("empty", {})}, .state = idle, .toolTip = none, .label = noneLabel},
        {.projects = {shop}, .state = running, .toolTip = "Vellumark · 1 server running"},
        {.projects = {project("shop", {devServer(10, {}), devServer(11, {})}), project("b", {devServer(12, {4000})})},
         .state = running,
         .toolTip = three},  // no port still counts
        {.projects = clash, .state = conflict, .toolTip = clashed, .label = clashLabel},
        {.projects = clashWithNew, .state = conflict, .toolTip = clashed, .label = clashLabel},  // outranks new
        {.projects = fresh, .state = newServer, .toolTip = announced, .pulse = true},
        {.projects = fresh, .state = newServer, .toolTip = announced, .pulse = true, .current = conflict},
        {.projects = fresh, .state = newServer, .toolTip = announced, .current = newServer},  // no second pulse
        {.projects = fresh, .state = newServer, .toolTip = announced, .current = newServer, .seconds = 60},
        {.projects = fresh, .state = running, .toolTip = three, .seconds = 61},  // seen for exactly a minute
        {.projects = fresh, .state = running, .toolTip = three, .flash = false},
        {.projects = fresh, .state = running, .toolTip = three, .popoverOpen = true},
        {.projects = fresh, .state = running, .toolTip = three, .popoverWasOpen = true},
        // The search stops at the first new server, even when it has no port and a later one has.
        {.projects = {project("shop", {devServer(10, {3000}), devServer(30, {}), devServer(40, {4000})})},
         .state = running,
         .toolTip = three},
        {.projects = hot, .state = running, .toolTip = "Vellumark · 4 servers running"},
        {.projects = hot, .state = energy, .toolTip = "Vellumark · high CPU: blog", .energyIcon = true},
        {.projects = hotAndFresh,
         .state = newServer,
         .toolTip = "Vellumark · new server on :5000",
         .pulse = true,
         .energyIcon = true},
    };
    const Platform::Date t0 = Platform::Date(std::chrono::seconds(1'796'501'894));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        std::set<std::int32_t> groups;
        for (const DevProject& p : row.projects)
            for (const DevServer& s : p.servers) groups.insert(s.pgid);
        NewServerTracker newServers;
        newServers.update({groups.begin(), groups.lower_bound(30)}, t0);
        newServers.update(groups, t0 + 1s);
        EnergyMonitor energy;
        energy.update({{21, 90.0}}, {}, t0);
        DisplayPrefs prefs;
        prefs.flashNewServers = row.flash;
        prefs.energyIcon = row.energyIcon;
        const auto derive = [&](bool popoverShown) {
            return StatusTile::derive(row.projects, prefs, newServers, energy, popoverShown, row.current,
                                      t0 + std::chrono::seconds(row.seconds));
        };
        if (row.popoverWasOpen) derive(true);
        const auto tile = derive(row.popoverOpen);
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(tile.state, row.state);
        EXPECT_EQ(StatusTile::toolTip(tile.state, tile.inputs), row.toolTip);
        EXPECT_EQ(StatusTile::accessibilityLabel(tile.state, tile.inputs), row.label.empty() ? row.toolTip : row.label);
        EXPECT_EQ(tile.pulse, row.pulse);
    }
}

TEST(StatusTilePulse, PeaksMidCycleAndRestsOutsideThePulse) {
    using namespace StatusTile::Pulse;
    const Frame peak = frameAt(1.5 * cycleSeconds);
    EXPECT_NEAR(peak.scale, peakScale, 1e-5);
    EXPECT_NEAR(peak.opacity, troughOpacity, 1e-5);
    for (double t : {totalSeconds, std::numeric_limits<double>::infinity(), -0.5, std::nan("")}) {
        EXPECT_EQ(frameAt(t).scale, 1.0) << t;
        EXPECT_EQ(frameAt(t).opacity, 1.0) << t;
    }
}

}  // namespace
