#include "Platform/ProcessGroups.h"

#include <signal.h>
#include <unistd.h>

namespace Platform::ProcessGroups {

bool isInGroup(std::int32_t pid, std::int32_t pgid) {
    if (pid <= 0 || pgid <= 0) return false;
    return ::getpgid(pid) == pgid;
}

void signalGroup(std::int32_t pgid, int signal) {
    if (pgid > 1) ::kill(-pgid, signal);
}

std::size_t signalMembers(const std::vector<std::int32_t>& pids, std::int32_t pgid, int signal) {
    if (pgid < 2) return 0;
    std::size_t reached = 0;
    for (const std::int32_t pid : pids) {
        if (pid > 1 && isInGroup(pid, pgid) && ::kill(pid, signal) == 0) ++reached;
    }
    return reached;
}

}  // namespace Platform::ProcessGroups
