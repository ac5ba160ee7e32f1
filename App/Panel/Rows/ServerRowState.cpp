#include "App/Panel/Rows/ServerRowState.h"

#include <algorithm>
#include <chrono>

#include "Core/PanelModel/KeyNav.h"
#include "Core/Restart/RestartTracker.h"
#include "Shared/FixedPoint.h"

RowTrackerState RowTrackerState::current() {
    const RestartTracker& restarts = RestartTracker::shared();
    const ContainerActionTracker& containers = ContainerActionTracker::shared();
    return {
        .restarts = restarts.entries(),
        .containerPhases = containers.phases(),
        .containerRestartedUntil = containers.restartedUntil(),
        .stopping = KillTracker::shared().stopping(),
        .recentlyRestarted = restarts.recentlyRestarted(),
        .selectedID = KeyNav::shared().selectedID(),
        .now = std::chrono::system_clock::now(),
    };
}

namespace {

template <typename Map, typename Key>
bool laterThan(const Map& dates, const Key& key, Platform::Date now) {
    const auto found = dates.find(key);
    return found != dates.end() && found->second > now;
}

}  // namespace

ServerRowState ServerRowState::derive(const DevServer& server, const std::string& rowID,
                                      const RowTrackerState& trackers, const std::optional<std::string>& armedRowID) {
    ServerRowState state;
    state.armed = armedRowID == rowID;
    state.selected = trackers.selectedID == rowID;
    const auto entry = std::find_if(trackers.restarts.begin(), trackers.restarts.end(),
                                    [&](const RestartEntry& candidate) { return candidate.originalPID == server.pid; });
    if (entry != trackers.restarts.end()) state.restartEntryID = entry->id;
    if (server.containerID) {
        const auto phase = trackers.containerPhases.find(*server.containerID);
        if (phase != trackers.containerPhases.end()) state.containerPhase = phase->second;
    } else {
        state.processStopping = laterThan(trackers.stopping, server.pgid, trackers.now);
    }
    state.restarted =
        laterThan(trackers.recentlyRestarted, server.pgid, trackers.now) ||
        (server.containerID && laterThan(trackers.containerRestartedUntil, *server.containerID, trackers.now));
    return state;
}

RowTrailing ServerRowState::trailing(bool hovered) const {
    if (restartEntryID) return RowTrailing::restartStopping;
    if (containerPhase) return RowTrailing::containerAction;
    if (processStopping) return RowTrailing::processStopping;
    if (armed) return RowTrailing::confirmation;
    return hovered ? RowTrailing::actions : RowTrailing::metrics;
}

namespace RowText {

std::string percent(double value) { return fixedPoint(value, 1) + "%"; }

std::string memory(const DevServer& server) { return server.memText().value_or(percent(server.mem)); }

std::optional<std::string> uptime(const DevServer& server) {
    std::optional<std::string> text = server.uptimeText();
    if (text && text->starts_with("up ")) text->erase(0, 3);
    return text;
}

}  // namespace RowText
