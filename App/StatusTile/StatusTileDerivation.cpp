#include "App/StatusTile/StatusTileDerivation.h"

#include <algorithm>
#include <set>

#include "Core/Trackers/EnergyMonitor.h"
#include "Core/Trackers/NewServerTracker.h"
#include "Shared/PortConflicts.h"

namespace StatusTile {
namespace {

const std::string prefix = "Vellumark · ";

std::string joined(const std::vector<std::string>& names, const std::string& separator) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) text += separator;
        text += name;
    }
    return text;
}

std::optional<std::string> newPortText(const std::vector<DevProject>& projects, const NewServerTracker& newServers,
                                       Platform::Date now) {
    const std::vector<std::int32_t> unnotified = newServers.unnotifiedNewPGIDs(now);
    const std::set<std::int32_t> fresh(unnotified.begin(), unnotified.end());
    for (const DevProject& project : projects) {
        for (const DevServer& server : project.servers) {
            if (!fresh.contains(server.pgid)) continue;
            // Only the first new server is looked at: one without ports announces nothing.
            if (server.ports.empty()) return std::nullopt;
            return ":" + std::to_string(server.ports.front());
        }
    }
    return std::nullopt;
}

std::optional<std::string> energyProject(const std::vector<DevProject>& projects, const EnergyMonitor& energy) {
    for (const DevProject& project : projects) {
        const bool hot = std::any_of(project.servers.begin(), project.servers.end(),
                                     [&](const DevServer& server) { return energy.isHigh(server.pgid); });
        if (hot) return project.name;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> conflictText(const std::vector<DevProject>& projects) {
    const std::map<int, std::vector<std::string>> conflicts = conflictingProjectNames(projects);
    if (conflicts.empty()) return std::nullopt;
    const auto& [port, names] = *conflicts.begin();  // the smallest port
    return ":" + std::to_string(port) + " used by " + joined(names, " + ");
}

Derivation derive(const std::vector<DevProject>& projects, const DisplayPrefs& prefs, NewServerTracker& newServers,
                  const EnergyMonitor& energy, bool popoverShown, State current, Platform::Date now) {
    if (popoverShown) newServers.markAllNotified();

    Derivation result;
    Inputs& inputs = result.inputs;
    inputs.serverCount = totalServerCount(projects);
    inputs.conflictText = conflictText(projects);
    if (prefs.flashNewServers) inputs.newPortText = newPortText(projects, newServers, now);
    if (prefs.energyIcon) inputs.energyProject = energyProject(projects, energy);

    if (inputs.conflictText) result.state = State::conflict;
    else if (inputs.newPortText) result.state = State::newServer;
    else if (inputs.energyProject) result.state = State::energy;
    else if (inputs.serverCount > 0) result.state = State::running;
    else result.state = State::idle;

    result.pulse = result.state == State::newServer && current != State::newServer;
    return result;
}

std::string imageName(State state) {
    switch (state) {
    case State::idle: return "StatusTile-idle";
    case State::running: return "StatusTile-running";
    case State::energy: return "StatusTile-energy";
    case State::newServer: return "StatusTile-new";
    case State::conflict: return "StatusTile-conflict";
    }
    return {};
}

std::string toolTip(State state, const Inputs& inputs) {
    switch (state) {
    case State::idle: return prefix + "no live servers";
    case State::running: return prefix + serverCountText(inputs.serverCount) + " running";
    case State::energy: return prefix + "high CPU: " + inputs.energyProject.value_or("");
    case State::newServer: return prefix + "new server on " + inputs.newPortText.value_or("");
    case State::conflict: return inputs.conflictText.value_or("");
    }
    return {};
}

std::string accessibilityLabel(State state, const Inputs& inputs) {
    switch (state) {
    case State::idle: return prefix + "no servers running";
    case State::conflict: return prefix + "port conflict on " + inputs.conflictText.value_or("");
    default: return toolTip(state, inputs);
    }
}

}  // namespace StatusTile
