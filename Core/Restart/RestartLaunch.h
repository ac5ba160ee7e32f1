#pragma once
// The restarter's own steps after the old group is gone. Internal to the restarter.

#include <cstdint>
#include <optional>

#include "Core/Restart/RestartEntry.h"
#include "Core/Restart/RestartPlan.h"

namespace ServerRestarter {

// Spawns the plan for the entry: a failure turns the entry into "relaunch failed"; a spawn for an
// entry cancelled or removed meanwhile is stopped again (SIGTERM to its group) and the entry removed.
void launch(const Plan& plan, const RestartEntry::ID& entryID);

// Starts the plan's shell in the plan's folder, in a new process group led by the child, with the
// application's environment, every standard stream on /dev/null, default signal handling and no other
// inherited descriptors; a thread of its own reaps it. The child's pid, or none (logged) on failure.
std::optional<std::int32_t> spawn(const Plan& plan);

// SIGTERM to the group a spawn started, but only while its leader has not been reaped: a server that
// died long ago may have handed its number to an unrelated process group by now.
void stopSpawnedGroup(std::int32_t leader);

}  // namespace ServerRestarter
