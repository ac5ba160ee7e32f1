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

void signalProcess(std::int32_t pid, int signal) {
    if (pid > 1) ::kill(pid, signal);
}

}  // namespace Platform::ProcessGroups
