#pragma once
// Restarts a server: stops its process group, waits in the background until the group is gone, and
// starts the same argument vector again in the same folder through the user's login shell, in a
// process group of its own. RestartTracker follows each restart; a later scan ends it by finding the
// server. Docker containers are not restarted here.

#include <optional>
#include <string>

#include "Core/Restart/RestartEntry.h"
#include "Core/Restart/RestartPlan.h"
#include "Core/Trackers/TrackerTime.h"
#include "Platform/ISO8601.h"
#include "Shared/DevServer.h"

namespace ServerRestarter {

// What the panel passes as the stop timeout.
inline constexpr Trackers::Seconds panelTimeout{10.0};

// Main thread; returns at once. Nothing happens for a container, a server without a plan now (see
// currentPlan()), a server without positive pid and process group, or a server already being
// restarted. Otherwise the restart is recorded as stopping and logged, and on a user-initiated queue
// each process of the group that is still one of the snapshot taken at `listedAt`
// (Platform/ProcessGroups.h) gets SIGTERM (never SIGKILL); every 200 ms the work checks whether those
// processes are gone, the restart was cancelled, or they outlived `timeout` (then they are left
// running and the restart dropped), and once they are gone the plan is spawned.
void restart(const DevServer& server, Platform::Date listedAt, const std::string& projectName,
             const std::string& projectPath, Trackers::Seconds timeout);

// Spawns a failed restart's plan again on a user-initiated queue, without a new stop; nothing for an
// entry that is not failed.
void retry(const RestartEntry::ID& id);

}  // namespace ServerRestarter
