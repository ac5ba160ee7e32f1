#include "Core/Restart/RestartLaunch.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "Core/Restart/RestartTracker.h"
#include "Platform/ProcessGroups.h"
#include "Platform/SpawnSetup.h"
#include "Platform/SystemLog.h"

extern char** environ;

namespace ServerRestarter {
namespace {

// Every standard stream on /dev/null, no other inherited descriptor, the plan's folder, a new process
// group led by the child (group 0: its group id is its pid) and a clean signal state.
int configure(Platform::SpawnSetup& setup, const Plan& plan) {
    if (int r = setup.error()) return r;
    posix_spawn_file_actions_t* actions = setup.actions();
    if (int r = ::posix_spawn_file_actions_addopen(actions, 0, "/dev/null", O_RDONLY, 0)) return r;
    if (int r = ::posix_spawn_file_actions_addopen(actions, 1, "/dev/null", O_WRONLY, 0)) return r;
    if (int r = ::posix_spawn_file_actions_addopen(actions, 2, "/dev/null", O_WRONLY, 0)) return r;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // The server lives on after the application; descriptors the application left inheritable (a
    // pipe of a running tool, a socket) must not stay open in it.
    if (int r = ::posix_spawn_file_actions_addclosefrom_np(actions, 3)) return r;
#endif
    if (int r = ::posix_spawn_file_actions_addchdir_np(actions, plan.workingDirectory.c_str())) return r;
    if (int r = ::posix_spawnattr_setpgroup(setup.attributes(), 0)) return r;
    short flags = POSIX_SPAWN_SETPGROUP;
#ifdef __APPLE__
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
#endif
    return setup.resetSignals(flags);
}

// Leaders we spawned and have not reaped yet. While a leader is unreaped (running, or a zombie) its
// number cannot be reused, so signalling its group under this lock reaches only our processes.
// Never destroyed: detached reapers may still use it while the program exits.
struct UnreapedLeaders {
    std::mutex mutex;
    std::set<pid_t> pids;
};

UnreapedLeaders& unreaped() {
    static auto* leaders = new UnreapedLeaders;
    return *leaders;
}

void reapInBackground(pid_t pid) {
    {
        std::lock_guard guard(unreaped().mutex);
        unreaped().pids.insert(pid);
    }
    try {
        std::thread([pid] {
            // Wait without reaping, then forget the leader and reap it in one step under the lock.
            siginfo_t info{};
            while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {}
            std::lock_guard guard(unreaped().mutex);
            unreaped().pids.erase(pid);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the server still runs; it stays a zombie after it exits.
    }
}

}  // namespace

std::optional<std::int32_t> spawn(const Plan& plan) {
    Platform::SpawnSetup setup;
    int result = configure(setup, plan);

    pid_t pid = 0;
    if (result == 0) {
        std::vector<std::string> strings = Platform::argumentStrings(plan.shell, plan.arguments);
        std::vector<char*> argv = Platform::nullTerminated(strings);
        result = ::posix_spawn(&pid, plan.shell.c_str(), setup.actions(), setup.attributes(), argv.data(), environ);
    }
    if (result != 0) {
        Platform::systemLog("Vellumark: restart spawn failed (" + std::to_string(result) + ") for " + plan.shell);
        return std::nullopt;
    }
    Platform::systemLog("Vellumark: restarted as pid " + std::to_string(pid));
    reapInBackground(pid);
    return static_cast<std::int32_t>(pid);
}

void launch(const Plan& plan, const RestartEntry::ID& entryID) {
    RestartTracker& tracker = RestartTracker::shared();
    const std::optional<std::int32_t> pid = spawn(plan);
    if (!pid) {
        tracker.fail(entryID, RestartEntry::relaunchFailed, std::chrono::system_clock::now());
        return;
    }
    if (!tracker.setSpawned(entryID, *pid)) {
        // Cancelled (or dismissed) while the shell was being started.
        stopSpawnedGroup(*pid);
        tracker.remove(entryID);
    }
}

void stopSpawnedGroup(std::int32_t leader) {
    std::lock_guard guard(unreaped().mutex);
    if (unreaped().pids.count(leader)) Platform::ProcessGroups::signalGroup(leader, SIGTERM);
}

}  // namespace ServerRestarter
