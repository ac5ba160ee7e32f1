#pragma once
// What a server row shows, derived from plain values: the trackers' published state, the keyboard
// selection, the armed row and the pointer. No Qt, so the rules are tested without a display.
//
// RowTrackerState is one reading of everything the rows look at; the list can read it once when a
// tracker publishes and hand the same reading to every row.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Core/Restart/RestartEntry.h"
#include "Core/Trackers/ContainerActionTracker.h"
#include "Core/Trackers/KillTracker.h"
#include "Platform/ISO8601.h"
#include "Shared/DevServer.h"

struct RowTrackerState {
    std::vector<RestartEntry> restarts;
    ContainerActionTracker::Phases containerPhases;
    ContainerActionTracker::Dates containerRestartedUntil;
    KillTracker::Deadlines stopping;
    std::map<std::int32_t, Platform::Date> recentlyRestarted;
    std::optional<std::string> selectedID;
    Platform::Date now;

    // The shared trackers, KeyNav's selection and the clock, now. Main thread.
    static RowTrackerState current();
};

// The trailing area of a row, the first that applies.
enum class RowTrailing {
    restartStopping,  // a restart entry for the server: "stopping…", spinner, cancel
    containerAction,  // a container being stopped or restarted
    processStopping,  // a stop signal was sent and its deadline is ahead
    confirmation,     // the inline stop confirmation
    metrics,
    actions,  // the four action buttons, while hovered
};

struct ServerRowState {
    bool armed = false;
    bool selected = false;
    std::optional<RestartEntry::ID> restartEntryID;
    std::optional<ContainerActionTracker::Phase> containerPhase;
    bool processStopping = false;
    bool restarted = false;

    bool busy() const { return restartEntryID || containerPhase || processStopping; }

    static ServerRowState derive(const DevServer& server, const std::string& rowID, const RowTrackerState& trackers,
                                 const std::optional<std::string>& armedRowID);

    RowTrailing trailing(bool hovered) const;
    // The new, container and process-id marks show only on a row at rest.
    bool showsMarks(bool hovered) const { return !hovered && !armed && !busy(); }
    // Busy wins over dimmed.
    double contentOpacity(bool dimmed) const { return busy() ? 0.55 : dimmed ? 0.45 : 1.0; }

    bool operator==(const ServerRowState&) const = default;
};

namespace RowText {

// "12.5%": one decimal and a percent sign, with a point whatever the locale.
std::string percent(double value);
// The resident memory ("2 MB"), or the memory share as a percentage when it is unknown.
std::string memory(const DevServer& server);
// The uptime without its leading "up "; none without an uptime.
std::optional<std::string> uptime(const DevServer& server);

}  // namespace RowText
