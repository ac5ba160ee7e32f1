#pragma once
// What the status tile shows, derived from the last scan, the display preferences and the trackers.
// No display needed: StatusItemController turns the result into an image, a tool tip and a label.

#include <optional>
#include <string>
#include <vector>

#include "Platform/ISO8601.h"
#include "Shared/DevProject.h"
#include "Shared/Settings/DisplayPrefs.h"

class EnergyMonitor;
class NewServerTracker;

namespace StatusTile {

// In rising priority after idle: a conflict outranks a new server, which outranks a hot server.
enum class State { idle, running, energy, newServer, conflict };

struct Inputs {
    std::size_t serverCount = 0;
    std::optional<std::string> conflictText;   // ":3000 used by shop + blog"
    std::optional<std::string> newPortText;    // ":5173"
    std::optional<std::string> energyProject;  // name of a project with a hot server

    bool operator==(const Inputs&) const = default;
};

struct Derivation {
    State state = State::idle;
    Inputs inputs;
    bool pulse = false;  // entering the new-server state from another one

    bool operator==(const Derivation&) const = default;
};

// ":<port> used by <names joined by ' + '>" for the smallest port on which two or more servers listen
// (a server counts once per port); the names are those of the projects listening there, in list
// order, each once. No value without such a port.
std::optional<std::string> conflictText(const std::vector<DevProject>& projects);

// One refresh of the tile. While the popover is shown every known process group is marked as
// announced on `newServers` first, so nothing is announced as new while the user looks at the panel.
// `current` is the state the tile shows now; the pulse is asked for only when it is not newServer.
Derivation derive(const std::vector<DevProject>& projects, const DisplayPrefs& prefs, NewServerTracker& newServers,
                  const EnergyMonitor& energy, bool popoverShown, State current, Platform::Date now);

// The presentation of a state.
std::string imageName(State state);  // "StatusTile-idle", "-running", "-energy", "-new", "-conflict"
std::string toolTip(State state, const Inputs& inputs);
std::string accessibilityLabel(State state, const Inputs& inputs);

}  // namespace StatusTile
