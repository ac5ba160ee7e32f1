#include "Platform/ProcessGroups.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "Platform/ProcFS.h"
#include "Platform/SystemLog.h"
#include "Platform/UniqueFd.h"

namespace Platform::ProcessGroups {
namespace {

// Through syscall(): Debian 12's C library declares its own wrappers without C linkage.
int openPidfd(std::int32_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }
bool sendThroughPidfd(int pidfd, int signal) {
    return ::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0) == 0;
}

// What a listed pid names now.
enum class Standing {
    listed,        // still the process of the list
    elsewhere,     // gone, or in another group: not the listed process, and nothing to say about it
    otherUser,     // its real user is not ours
    startedLater,  // started after the list was made: the number was reused
};

// The two numbers that turn a start in clock ticks after boot into a time of day.
struct BootClock {
    std::int64_t bootTime = 0;
    long ticksPerSecond = 0;
};

std::optional<BootClock> bootClock() {
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    const std::optional<std::int64_t> bootTime = ProcFS::bootTime();
    if (ticksPerSecond <= 0 || !bootTime) return std::nullopt;
    return BootClock{*bootTime, ticksPerSecond};
}

Standing standing(std::int32_t pid, std::int32_t pgid, Date listedAt, const BootClock& clock) {
    const std::optional<ProcFS::ProcessIdentity> identity = ProcFS::identify(pid);
    if (!identity || identity->pgid != pgid) return Standing::elsewhere;
    if (identity->realUID != ::getuid()) return Standing::otherUser;
    if (!startedBy(identity->startTicks, clock.bootTime, clock.ticksPerSecond, listedAt)) return Standing::startedLater;
    return Standing::listed;
}

// Checks the pid and signals the process it names, through a pidfd opened before the check: should
// the process end and its number come round again between the check and the signal, the signal finds
// the ended process (and fails) instead of its successor. Without pidfds (an older kernel, a sandbox)
// the number itself is signalled right after the check.
bool signalIfListed(std::int32_t pid, std::int32_t pgid, int signal, Date listedAt, const BootClock& clock) {
    const UniqueFd handle(openPidfd(pid));
    if (!handle && errno == ESRCH) return false;
    switch (standing(pid, pgid, listedAt, clock)) {
    case Standing::listed: return handle ? sendThroughPidfd(handle.get(), signal) : ::kill(pid, signal) == 0;
    case Standing::elsewhere: return false;
    case Standing::otherUser:
        systemLog("Vellumark: not signalling pid " + std::to_string(pid) + " — it belongs to another user");
        return false;
    case Standing::startedLater:
        systemLog("Vellumark: not signalling pid " + std::to_string(pid) +
                  " — it started after the list it was chosen from");
        return false;
    }
    return false;
}

}  // namespace

void signalGroup(std::int32_t pgid, int signal) {
    if (pgid > 1) ::kill(-pgid, signal);
}

// The start is known to the clock tick (1/100 s) after boot, but the boot only to the whole second,
// truncated, so the start computed here lies up to a second and a tick before the real one, never
// after it. The list's time comes in whole seconds, truncated (a snapshot file's), or finer (the
// panel's own scan; a file's modification time, which the kernel takes from a clock that may lag the
// real time by a tick). So both are compared as whole seconds, the start truncated and the list's
// time rounded up: a process that had started when the list was made always passes (truncated start
// <= real start <= list's time <= list's time rounded up), also one that started within the same
// second as a snapshot stamped in whole seconds. The price is a window after the list's time, up to
// its next whole second plus the boot time's truncation, in which a new process would pass as well;
// a number comes round again only once the kernel's counter has gone round all the others.
bool startedBy(std::uint64_t startTicks, std::int64_t bootTime, long ticksPerSecond, Date listedAt) {
    if (ticksPerSecond <= 0) return false;
    const std::uint64_t afterBoot = startTicks / static_cast<std::uint64_t>(ticksPerSecond);
    std::int64_t startSecond = 0;
    if (afterBoot > static_cast<std::uint64_t>(INT64_MAX) ||
        __builtin_add_overflow(bootTime, static_cast<std::int64_t>(afterBoot), &startSecond))
        return false;
    const std::int64_t listedSecond = std::chrono::ceil<std::chrono::seconds>(listedAt.time_since_epoch()).count();
    return startSecond <= listedSecond;
}

bool isListedMember(std::int32_t pid, std::int32_t pgid, Date listedAt) {
    if (pid < 2 || pgid < 2 || !ProcFS::numbersProcessesAsWeDo()) return false;
    const std::optional<BootClock> clock = bootClock();
    return clock && standing(pid, pgid, listedAt, *clock) == Standing::listed;
}

std::size_t signalMembers(const std::vector<std::int32_t>& pids, std::int32_t pgid, int signal, Date listedAt) {
    if (pgid < 2) return 0;
    const std::optional<BootClock> clock = bootClock();
    if (!clock || !ProcFS::numbersProcessesAsWeDo()) {
        systemLog("Vellumark: not signalling process group " + std::to_string(pgid) +
                  " — /proc does not tell which processes its pids name");
        return 0;
    }
    std::size_t reached = 0;
    for (const std::int32_t pid : pids) {
        if (pid > 1 && signalIfListed(pid, pgid, signal, listedAt, *clock)) ++reached;
    }
    return reached;
}

}  // namespace Platform::ProcessGroups
