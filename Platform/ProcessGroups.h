#pragma once
// Signals to processes and process groups, with the guards that keep a signal from reaching a process
// the user did not choose: kill() reads 0 as "my own group" and -1 as "everyone", so only real ids are
// passed on; and a pid names another process once its holder has ended and the number has come round
// again, so a listed process gets a signal only while it is still the one that was listed.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Platform/ISO8601.h"

namespace Platform::ProcessGroups {

// Sends the signal to every process of the group; ids below 2 are ignored. Only for a group whose
// leader is our own unreaped child, whose number therefore cannot have come round again.
void signalGroup(std::int32_t pgid, int signal);

// Whether a process that started `startTicks` clock ticks after a boot at `bootTime` (whole seconds
// since 1970, as /proc/stat gives it) can be one that a list made at `listedAt` names: whether it had
// started by then, compared in whole seconds (see ProcessGroups.cpp for the rounding). False for a
// clock rate that is not positive and for values out of range.
bool startedBy(std::uint64_t startTicks, std::int64_t bootTime, long ticksPerSecond, Date listedAt);

// Whether the process is still one of the list made at `listedAt`: it exists, its process group is
// `pgid`, its real user is ours and it had started by `listedAt`.
bool isListedMember(std::int32_t pid, std::int32_t pgid, Date listedAt);

// Sends the signal to each listed process that is still one of the list (isListedMember), one by one
// (never to the group as a whole). `listedAt` is when the list was made: the snapshot's timestamp for
// the panel, the queue file's modification time for a widget command. A process that has exited or
// whose number now belongs to another group is skipped; so is, with a log line, one of another user
// or one that started after `listedAt` (its number was reused). Ids below 2 are ignored. Where /proc
// does not describe this process's own pids (a PID namespace without its own /proc) nothing can be
// checked and nothing is sent. Returns how many processes the signal reached.
std::size_t signalMembers(const std::vector<std::int32_t>& pids, std::int32_t pgid, int signal, Date listedAt);

}  // namespace Platform::ProcessGroups
