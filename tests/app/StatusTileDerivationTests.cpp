// What the tray icon shows for a scan: state, texts and when it pulses. No display needed.

#include <gtest/gtest.h>

#include <chrono>

#include "App/StatusTile/StatusTileDerivation.h"
#include "App/Trackers/EnergyMonitor.h"
#include "App/Trackers/NewServerTracker.h"

namespace {

using StatusTile::State;
using namespace std::chrono_literals;

const Platform::Date t0 = Platform::Date(std::chrono::seconds(1'796'501'894));

DevServer server(std::int32_t pid, std::vector<int> ports, std::int32_t pgid = 0) {
    DevServer result;
    result.pid = pid;
    result.pgid = pgid ? pgid : pid;
    result.groupPIDs = {pid};
    result.command = "node";
    result.ports = std::move(ports);
    return result;
}

DevProject project(std::string name, std::vector<DevServer> servers) {
    return DevProject{name, "/home/u/Development/" + name, std::move(servers)};
}

class StatusTileDerivation : public ::testing::Test {
protected:
    StatusTile::Derivation derive(const std::vector<DevProject>& projects, State current = State::idle,
                                  bool popoverShown = false, Platform::Date now = t0 + 5s) {
        return StatusTile::derive(projects, prefs, newServers, energy, popoverShown, current, now);
    }

    // The tracker has seen `before`; then `after` appears at t0 + 1 s.
    void seeGroups(const std::set<std::int32_t>& before, const std::set<std::int32_t>& after) {
        newServers.update(before, t0);
        newServers.update(after, t0 + 1s);
    }

    void makeHot(std::int32_t pgid) { energy.update({{pgid, 90.0}}, {{pgid, 0}}, t0); }

    DisplayPrefs prefs;
    NewServerTracker newServers;
    EnergyMonitor energy;
};

TEST_F(StatusTileDerivation, NoProjectsIsIdleWithItsOwnTexts) {
    const auto tile = derive({});
    EXPECT_EQ(tile.state, State::idle);
    EXPECT_EQ(tile.inputs, StatusTile::Inputs{});
    EXPECT_FALSE(tile.pulse);
    EXPECT_EQ(StatusTile::toolTip(tile.state, tile.inputs), "Vellumark · no live servers");
    EXPECT_EQ(StatusTile::accessibilityLabel(tile.state, tile.inputs), "Vellumark · no servers running");
    // A project without servers is still nothing running.
    EXPECT_EQ(derive({project("empty", {})}).state, State::idle);
}

TEST_F(StatusTileDerivation, RunningCountsEveryServerAndPluralises) {
    const auto one = derive({project("shop", {server(10, {3000})})});
    EXPECT_EQ(one.state, State::running);
    EXPECT_EQ(StatusTile::toolTip(one.state, one.inputs), "Vellumark · 1 server running");
    EXPECT_EQ(StatusTile::accessibilityLabel(one.state, one.inputs), "Vellumark · 1 server running");

    const auto three = derive({project("shop", {server(10, {3000}), server(11, {3001})}),
                               project("blog", {server(12, {4000})})});
    EXPECT_EQ(three.inputs.serverCount, 3);
    EXPECT_EQ(StatusTile::toolTip(three.state, three.inputs), "Vellumark · 3 servers running");

    // A server that listens on no port (a container that publishes none) still counts.
    const auto portless = derive({project("shop", {server(10, {}), server(11, {})})});
    EXPECT_EQ(StatusTile::toolTip(portless.state, portless.inputs), "Vellumark · 2 servers running");
}

TEST_F(StatusTileDerivation, ConflictNamesTheSmallestPortAndItsProjectsInListOrder) {
    // Port 8080 is claimed twice too, but 3000 is smaller; shop comes first in the list.
    const std::vector<DevProject> projects = {
        project("shop", {server(10, {8080, 3000})}),
        project("blog", {server(20, {3000}), server(21, {8080})}),
    };
    const auto tile = derive(projects);
    EXPECT_EQ(tile.state, State::conflict);
    ASSERT_TRUE(tile.inputs.conflictText);
    EXPECT_EQ(*tile.inputs.conflictText, ":3000 used by shop + blog");
    EXPECT_EQ(StatusTile::toolTip(tile.state, tile.inputs), ":3000 used by shop + blog");
    EXPECT_EQ(StatusTile::accessibilityLabel(tile.state, tile.inputs),
              "Vellumark · port conflict on :3000 used by shop + blog");

    // The order of the names follows the list, not the alphabet.
    EXPECT_EQ(StatusTile::conflictText({project("zeta", {server(1, {5000})}), project("alpha", {server(2, {5000})})}),
              ":5000 used by zeta + alpha");
}

TEST_F(StatusTileDerivation, ConflictCountsServersNotListeningSockets) {
    // Two servers of one project on one port: a conflict that names the project once.
    EXPECT_EQ(StatusTile::conflictText({project("shop", {server(10, {3000}), server(11, {3000})})}),
              ":3000 used by shop");
    // One server listening twice on the same port (IPv4 and IPv6 show as a repeated port) is none.
    EXPECT_EQ(StatusTile::conflictText({project("shop", {server(10, {3000, 3000})})}), std::nullopt);
    EXPECT_EQ(derive({project("shop", {server(10, {3000, 3000})})}).state, State::running);
    // Three projects on one port are all named, each once.
    EXPECT_EQ(StatusTile::conflictText({project("a", {server(1, {80})}), project("b", {server(2, {80})}),
                                        project("a", {server(3, {80})}), project("c", {server(4, {80})})}),
              ":80 used by a + b + c");
}

TEST_F(StatusTileDerivation, NewServerAnnouncesTheFirstNewServersFirstPort) {
    seeGroups({10}, {10, 20, 30});
    const std::vector<DevProject> projects = {
        project("shop", {server(10, {3000})}),
        project("blog", {server(30, {5173, 24678}), server(20, {8000})}),
    };
    const auto tile = derive(projects, State::running);
    EXPECT_EQ(tile.state, State::newServer);
    // The list's order decides, not the process group numbers.
    EXPECT_EQ(tile.inputs.newPortText, ":5173");
    EXPECT_EQ(StatusTile::toolTip(tile.state, tile.inputs), "Vellumark · new server on :5173");
    EXPECT_EQ(StatusTile::accessibilityLabel(tile.state, tile.inputs), "Vellumark · new server on :5173");
    EXPECT_TRUE(tile.pulse);
}

TEST_F(StatusTileDerivation, FirstNewServerWithoutPortsAnnouncesNothing) {
    seeGroups({10}, {10, 20, 30});
    // The search stops at the first new server even though a later one has a port.
    const auto tile = derive({project("shop", {server(10, {3000}), server(20, {}), server(30, {4000})})});
    EXPECT_EQ(tile.inputs.newPortText, std::nullopt);
    EXPECT_EQ(tile.state, State::running);
}

TEST_F(StatusTileDerivation, NewServerEndsAfterAMinuteOrOnceNotified) {
    seeGroups({10}, {10, 20});
    const std::vector<DevProject> projects = {project("shop", {server(10, {3000}), server(20, {4000})})};
    EXPECT_EQ(derive(projects, State::running, false, t0 + 60s).state, State::newServer);
    // First seen at t0 + 1 s: at t0 + 61 s it has been seen for exactly a minute.
    EXPECT_EQ(derive(projects, State::newServer, false, t0 + 61s).state, State::running);
    newServers.markAllNotified();
    EXPECT_EQ(derive(projects, State::newServer).state, State::running);
}

TEST_F(StatusTileDerivation, NothingIsAnnouncedWhileThePopoverIsOpen) {
    seeGroups({10}, {10, 20});
    const std::vector<DevProject> projects = {project("shop", {server(10, {3000}), server(20, {4000})})};
    const auto whileOpen = derive(projects, State::running, true);
    EXPECT_EQ(whileOpen.state, State::running);
    EXPECT_FALSE(whileOpen.pulse);
    EXPECT_TRUE(newServers.notified().contains(20));
    // Closing the panel does not bring the announcement back.
    EXPECT_EQ(derive(projects, State::running, false).state, State::running);
}

TEST_F(StatusTileDerivation, PulseOnlyOnEnteringTheNewServerState) {
    seeGroups({10}, {10, 20});
    const std::vector<DevProject> projects = {project("shop", {server(10, {3000}), server(20, {4000})})};
    const auto first = derive(projects, State::running);
    EXPECT_TRUE(first.pulse);
    // Two refreshes in a row in the new-server state pulse once.
    const auto second = derive(projects, first.state);
    EXPECT_EQ(second.state, State::newServer);
    EXPECT_FALSE(second.pulse);
    // newServer, running, newServer pulses twice: from any other state it pulses again.
    for (State from : {State::idle, State::running, State::energy, State::conflict}) {
        EXPECT_TRUE(derive(projects, from).pulse);
    }
}

TEST_F(StatusTileDerivation, ConflictOutranksANewServerAndDoesNotPulse) {
    seeGroups({10}, {10, 20});
    const auto tile = derive({project("shop", {server(10, {3000})}), project("blog", {server(20, {3000})})});
    EXPECT_EQ(tile.state, State::conflict);
    EXPECT_EQ(tile.inputs.newPortText, ":3000");  // still derived, only outranked
    EXPECT_FALSE(tile.pulse);
}

TEST_F(StatusTileDerivation, FlashNewServersOffNeverAnnounces) {
    prefs.flashNewServers = false;
    seeGroups({10}, {10, 20});
    const auto tile = derive({project("shop", {server(10, {3000}), server(20, {4000})})});
    EXPECT_EQ(tile.state, State::running);
    EXPECT_EQ(tile.inputs.newPortText, std::nullopt);
    EXPECT_FALSE(tile.pulse);
}

TEST_F(StatusTileDerivation, EnergyNamesTheFirstProjectWithAHotServerOnlyWhenAskedFor) {
    makeHot(21);
    const std::vector<DevProject> projects = {
        project("shop", {server(10, {3000})}),
        project("blog", {server(20, {4000}), server(21, {4001})}),
        project("docs", {server(21, {4002}, 21)}),
    };
    // Off by default.
    EXPECT_EQ(derive(projects).state, State::running);
    EXPECT_EQ(derive(projects).inputs.energyProject, std::nullopt);

    prefs.energyIcon = true;
    const auto tile = derive(projects);
    EXPECT_EQ(tile.state, State::energy);
    EXPECT_EQ(tile.inputs.energyProject, "blog");
    EXPECT_EQ(StatusTile::toolTip(tile.state, tile.inputs), "Vellumark · high CPU: blog");
    EXPECT_FALSE(tile.pulse);
}

TEST_F(StatusTileDerivation, PriorityIsConflictThenNewThenEnergyThenRunning) {
    prefs.energyIcon = true;
    makeHot(30);
    seeGroups({10, 30}, {10, 20, 30});
    const auto newAndHot = derive({project("shop", {server(10, {3000}), server(20, {4000})}),
                                   project("hot", {server(30, {5000})})});
    EXPECT_EQ(newAndHot.state, State::newServer);
    EXPECT_EQ(newAndHot.inputs.energyProject, "hot");

    newServers.markAllNotified();
    EXPECT_EQ(derive({project("hot", {server(30, {5000})})}).state, State::energy);
}

}  // namespace
