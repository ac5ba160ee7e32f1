#pragma once
// Signals to processes and process groups, with the guards that keep a bad number from reaching the wrong
// processes: kill() reads 0 as "my own group" and -1 as "everyone", so only real ids are passed on.

#include <cstdint>

namespace Platform::ProcessGroups {

// True when the process exists and its process group is `pgid` (both positive).
bool isInGroup(std::int32_t pid, std::int32_t pgid);

// Sends the signal to every process of the group; ids below 2 are ignored.
void signalGroup(std::int32_t pgid, int signal);

// Sends the signal to the one process; ids below 2 are ignored.
void signalProcess(std::int32_t pid, int signal);

}  // namespace Platform::ProcessGroups
