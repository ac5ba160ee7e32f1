// What the tray icon shows for a scan: state, texts, when it pulses and the pulse's frames.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "App/StatusTile/StatusTileDerivation.h"
#include "App/StatusTile/StatusTilePulse.h"
#include "App/Trackers/EnergyMonitor.h"
#include "App/Trackers/NewServerTracker.h"

namespace {

using StatusTile::State;
using namespace std::chrono_literals;

const Platform::Date t0 = Platform::Date(std::chrono::seconds(1'796'501'894));

DevServer server(std::int32_t pgid, std::vector<int> ports) {
    return {pgid, pgid, {pgid}, "node", std::move(ports), {}, 0, 0, {}, {}, {}, {}, {}, {}};
}
DevProject project(std::string name, std::vector<DevServer> servers) {
    return DevProject{name, "/home/u/Development/" + name, std::move(servers)};
}

TEST(StatusTileConflict, NamesTheSmallestSharedPortAndItsProjectsInListOrderEachOnce) {
    const std::pair<std::vector<DevProject>, std::optional<std::string>> cases[] = {
        {{project("shop", {server(10, {8080, 3000})}), project("blog", {server(20, {3000}), server(21, {8080})})},
         ":3000 used by shop + blog"},
        {{project("zeta", {server(1, {5000})}), project("alpha", {server(2, {5000})})}, ":5000 used by zeta + alpha"},
        {{project("shop", {server(10, {3000}), server(11, {3000})})}, ":3000 used by shop"},
        {{project("shop", {server(10, {3000, 3000})})}, std::nullopt},  // IPv4 and IPv6 of one server
        {{project("a", {server(1, {80})}), project("b", {server(2, {80})}), project("a", {server(3, {80})}),
          project("c", {server(4, {80})})},
         ":80 used by a + b + c"},
        {{project("shop", {server(10, {3000})}), project("blog", {server(20, {4000})})}, std::nullopt},
    };
    for (const auto& [projects, expected] : cases) EXPECT_EQ(StatusTile::conflictText(projects), expected);
}

class StatusTileDerivation : public ::testing::Test {
protected:
    StatusTile::Derivation derive(const std::vector<DevProject>& projects, State current = State::running,
                                  bool popoverShown = false, Platform::Date now = t0 + 5s) {
        return StatusTile::derive(projects, prefs, newServers, energy, popoverShown, current, now);
    }
    std::string toolTip(const StatusTile::Derivation& tile) { return StatusTile::toolTip(tile.state, tile.inputs); }
    std::string label(const StatusTile::Derivation& tile) { return StatusTile::accessibilityLabel(tile.state, tile.inputs); }
    // The tracker has seen `before`; then `after` appears at t0 + 1 s.
    void seeGroups(const std::set<std::int32_t>& before, const std::set<std::int32_t>& after) {
        newServers.update(before, t0);
        newServers.update(after, t0 + 1s);
    }

    DisplayPrefs prefs;
    NewServerTracker newServers;
    EnergyMonitor energy;
};

TEST_F(StatusTileDerivation, IdleRunningAndConflictTexts) {
    for (const auto& projects : {std::vector<DevProject>{}, {project("empty", {})}}) {
        const auto idle = derive(projects, State::idle);
        EXPECT_EQ(idle, (StatusTile::Derivation{State::idle, {}, false}));
        EXPECT_EQ(toolTip(idle), "Vellumark · no live servers");
        EXPECT_EQ(label(idle), "Vellumark · no servers running");
    }
    const auto one = derive({project("shop", {server(10, {3000})})});
    EXPECT_EQ(one.state, State::running);
    EXPECT_EQ(toolTip(one), "Vellumark · 1 server running");
    EXPECT_EQ(label(one), "Vellumark · 1 server running");
    // A server that listens on no port still counts.
    EXPECT_EQ(toolTip(derive({project("shop", {server(10, {}), server(11, {})}), project("b", {server(12, {4000})})})),
              "Vellumark · 3 servers running");

    const auto conflict = derive({project("shop", {server(10, {3000})}), project("blog", {server(20, {3000})})});
    EXPECT_EQ(conflict.state, State::conflict);
    EXPECT_EQ(toolTip(conflict), ":3000 used by shop + blog");
    EXPECT_EQ(label(conflict), "Vellumark · port conflict on :3000 used by shop + blog");
}

TEST_F(StatusTileDerivation, ANewServerIsAnnouncedByTheFirstNewServersFirstPortForUnderAMinute) {
    seeGroups({10}, {10, 20, 30});
    const std::vector<DevProject> projects = {project("shop", {server(10, {3000})}),
                                              project("blog", {server(30, {5173, 24678}), server(20, {8000})})};
    const auto tile = derive(projects);
    EXPECT_EQ(tile.state, State::newServer);
    EXPECT_EQ(tile.inputs.newPortText, ":5173") << "the list's order decides, not the group numbers";
    EXPECT_EQ(toolTip(tile), "Vellumark · new server on :5173");
    EXPECT_EQ(label(tile), "Vellumark · new server on :5173");
    EXPECT_EQ(derive(projects, State::newServer, false, t0 + 60s).state, State::newServer);
    EXPECT_EQ(derive(projects, State::newServer, false, t0 + 61s).state, State::running) << "seen for exactly a minute";
    // The search stops at the first new server, even when it has no port and a later one has.
    EXPECT_EQ(derive({project("shop", {server(10, {3000}), server(20, {}), server(30, {4000})})}).state, State::running);
}

TEST_F(StatusTileDerivation, PulsesOnlyOnEnteringTheNewServerState) {
    seeGroups({10}, {10, 20});
    const std::vector<DevProject> projects = {project("shop", {server(10, {3000}), server(20, {4000})})};
    for (State from : {State::idle, State::running, State::energy, State::conflict}) EXPECT_TRUE(derive(projects, from).pulse);
    const auto again = derive(projects, State::newServer);
    EXPECT_EQ(again.state, State::newServer);
    EXPECT_FALSE(again.pulse);
    // A conflict outranks it: still derived, not shown, no pulse.
    const auto conflict = derive({project("shop", {server(10, {3000})}), project("blog", {server(20, {3000})})});
    EXPECT_EQ(conflict.state, State::conflict);
    EXPECT_EQ(conflict.inputs.newPortText, ":3000");
    EXPECT_FALSE(conflict.pulse);
}

TEST_F(StatusTileDerivation, NothingIsAnnouncedWhileThePopoverIsOpenOnceNotifiedOrWhenTurnedOff) {
    seeGroups({10}, {10, 20});
    const std::vector<DevProject> projects = {project("shop", {server(10, {3000}), server(20, {4000})})};
    prefs.flashNewServers = false;
    EXPECT_EQ(derive(projects), (StatusTile::Derivation{State::running, {2, {}, {}, {}}, false}));
    prefs.flashNewServers = true;
    const auto whileOpen = derive(projects, State::running, true);
    EXPECT_EQ(whileOpen.state, State::running);
    EXPECT_FALSE(whileOpen.pulse);
    EXPECT_TRUE(newServers.notified().contains(20));
    EXPECT_EQ(derive(projects).state, State::running) << "closing the panel does not bring it back";
}

TEST_F(StatusTileDerivation, EnergyNamesTheFirstProjectWithAHotServerOnlyWhenAskedForAndRanksBelowNew) {
    energy.update({{21, 90.0}}, {{21, 0}}, t0);
    const std::vector<DevProject> projects = {project("shop", {server(10, {3000})}),
                                              project("blog", {server(20, {4000}), server(21, {4001})}),
                                              project("docs", {server(21, {4002})})};
    EXPECT_EQ(derive(projects).state, State::running);
    EXPECT_EQ(derive(projects).inputs.energyProject, std::nullopt);
    prefs.energyIcon = true;
    const auto tile = derive(projects);
    EXPECT_EQ(tile.state, State::energy);
    EXPECT_EQ(toolTip(tile), "Vellumark · high CPU: blog");
    EXPECT_FALSE(tile.pulse);

    seeGroups({10, 20, 21}, {10, 20, 21, 30});
    auto withNew = projects;
    withNew[0].servers.push_back(server(30, {5000}));
    EXPECT_EQ(derive(withNew).state, State::newServer);
    EXPECT_EQ(derive(withNew).inputs.energyProject, "blog");
}

TEST(StatusTilePulse, EachOfThreeCyclesGoesToThePeakAndBackThenItRests) {
    using namespace StatusTile::Pulse;
    for (int cycle = 0; cycle < repeatCount; ++cycle) {
        const Frame peak = frameAt((cycle + 0.5) * cycleSeconds);
        EXPECT_NEAR(peak.scale, peakScale, 1e-5);
        EXPECT_NEAR(peak.opacity, troughOpacity, 1e-5);
        EXPECT_NEAR(frameAt((cycle + 1) * cycleSeconds - 1e-4).scale, 1.0, 1e-3);
        EXPECT_LT(frameAt((cycle + 0.1) * cycleSeconds).scale - 1, (peakScale - 1) * 0.1) << "eased in";
    }
    for (double t = 0; t < totalSeconds; t += 0.01) {
        EXPECT_TRUE(frameAt(t).scale >= 1.0 && frameAt(t).scale <= peakScale + 1e-9) << t;
        EXPECT_TRUE(frameAt(t).opacity >= troughOpacity - 1e-9 && frameAt(t).opacity <= 1.0) << t;
    }
    for (double t : {totalSeconds, 10.0, std::numeric_limits<double>::infinity(), -0.5, std::nan("")}) {
        EXPECT_EQ(frameAt(t).scale, 1.0) << t;
        EXPECT_EQ(frameAt(t).opacity, 1.0) << t;
    }
}

}  // namespace
