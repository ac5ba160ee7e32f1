#pragma once
// The facts a scan takes from lsof and ps, read straight from /proc by the plainest means: the
// listening TCP ports of the user's processes, and every process's group, CPU time, resident size
// and start; for the listeners also their folder, name and command line. A yardstick for what the
// tools cost the application, not a part of it. Linux.

#include <sys/types.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace ProcFacts {

struct Process {
    std::int32_t pid = 0, pgid = 0;
    std::uint64_t cpuTicks = 0, startTicks = 0, residentPages = 0;
};

struct Listener {
    std::int32_t pid = 0;
    std::set<int> ports;
    std::string folder, name, commandLine;
};

struct Facts {
    std::vector<Process> processes;
    std::vector<Listener> listeners;
};

// Sockets are looked for among the processes of `uid` only, as lsof without privileges does.
Facts read(uid_t uid);

}  // namespace ProcFacts
