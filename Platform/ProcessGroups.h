#pragma once
// Signals to processes and process groups, with the guards that keep a bad number from reaching the wrong
// processes: kill() reads 0 as "my own group" and -1 as "everyone", so only real ids are passed on.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Platform::ProcessGroups {

// True when the process exists and its process group is `pgid` (both positive).
bool isInGroup(std::int32_t pid, std::int32_t pgid);

// Sends the signal to every process of the group; ids below 2 are ignored.
void signalGroup(std::int32_t pgid, int signal);

// Sends the signal to each listed process that is still in the group `pgid`, one by one (never to the
// group as a whole): a process that has exited or whose number now belongs to another group is
// skipped, and so are ids below 2. Returns how many processes the signal reached.
std::size_t signalMembers(const std::vector<std::int32_t>& pids, std::int32_t pgid, int signal);

}  // namespace Platform::ProcessGroups
