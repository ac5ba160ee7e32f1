#pragma once
// The panel's stop itself, once the user has confirmed it: servers that the service manager keeps
// alive are refused, containers go to `docker stop` or `docker kill`, and the processes of a process
// group get the signal one by one, only while they are still the processes the snapshot listed
// (Platform/ProcessGroups.h). A stop is recorded (the row shows "stopping…") only when the signal
// reached at least one process.
// Main thread.

#include <cstdint>
#include <functional>

#include "Platform/ISO8601.h"
#include "Shared/DevServer.h"

namespace StopRoad {

inline constexpr std::int32_t stopSignal = 15;      // SIGTERM
inline constexpr std::int32_t forceStopSignal = 9;  // SIGKILL

enum class Outcome {
    refusedKeptAlive,    // logged, nothing else happened
    containerRequested,  // the container is stopping; `containerDone` runs when docker has answered
    signalled,           // at least one process got the signal; the group is recorded as stopping
    nothingSignalled,    // no listed process was still one of the list (mostly: it has exited): nothing is recorded
};

// A force stop is signal 9; any other number is a plain stop (SIGTERM).
inline bool isForce(std::int32_t signal) { return signal == forceStopSignal; }

// `listedAt` is the timestamp of the snapshot the server was chosen from.
Outcome performKill(const DevServer& server, std::int32_t signal, Platform::Date listedAt,
                    std::function<void()> containerDone);

}  // namespace StopRoad
