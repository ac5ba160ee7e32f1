#include "App/Restart/RestartLaunch.h"

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

#include "Platform/ProcessGroups.h"
#include "App/Restart/RestartTracker.h"
#include "Platform/SystemLog.h"

extern char** environ;

namespace ServerRestarter {
namespace {

class FileActions {
public:
    FileActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
    ~FileActions() {
        if (ok_) ::posix_spawn_file_actions_destroy(&actions_);
    }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

class Attributes {
public:
    Attributes() { ok_ = ::posix_spawnattr_init(&attributes_) == 0; }
    ~Attributes() {
        if (ok_) ::posix_spawnattr_destroy(&attributes_);
    }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    bool ok() const { return ok_; }
    posix_spawnattr_t* get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_{};
    bool ok_ = false;
};

int prepareFileActions(FileActions& actions, const Plan& plan) {
    if (!actions.ok()) return ENOMEM;
    posix_spawn_file_actions_t* raw = actions.get();
    if (int r = ::posix_spawn_file_actions_addopen(raw, 0, "/dev/null", O_RDONLY, 0)) return r;
    if (int r = ::posix_spawn_file_actions_addopen(raw, 1, "/dev/null", O_WRONLY, 0)) return r;
    if (int r = ::posix_spawn_file_actions_addopen(raw, 2, "/dev/null", O_WRONLY, 0)) return r;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // The server lives on after the application; descriptors the application left inheritable (a
    // pipe of a running tool, a socket) must not stay open in it.
    if (int r = ::posix_spawn_file_actions_addclosefrom_np(raw, 3)) return r;
#endif
    return ::posix_spawn_file_actions_addchdir_np(raw, plan.workingDirectory.c_str());
}

int prepareAttributes(Attributes& attributes) {
    if (!attributes.ok()) return ENOMEM;
    posix_spawnattr_t* raw = attributes.get();
    short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef __APPLE__
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
#endif
    if (int r = ::posix_spawnattr_setflags(raw, flags)) return r;
    // Process group 0: the child leads a new group, so its group id is its pid.
    if (int r = ::posix_spawnattr_setpgroup(raw, 0)) return r;
    // A server started from a worker thread must not inherit that thread's blocked signals, nor
    // signals the application ignores: it could not be stopped with SIGTERM later.
    sigset_t none;
    sigemptyset(&none);
    if (int r = ::posix_spawnattr_setsigmask(raw, &none)) return r;
    sigset_t all;
    sigfillset(&all);
    return ::posix_spawnattr_setsigdefault(raw, &all);
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
            while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
            }
            std::lock_guard guard(unreaped().mutex);
            unreaped().pids.erase(pid);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the server still runs; it stays a zombie after it exits.
    }
}

}  // namespace

std::optional<std::int32_t> spawn(const Plan& plan) {
    FileActions actions;
    Attributes attributes;
    int result = prepareFileActions(actions, plan);
    if (result == 0) result = prepareAttributes(attributes);

    pid_t pid = 0;
    if (result == 0) {
        std::vector<std::string> strings;
        strings.reserve(plan.arguments.size() + 1);
        strings.push_back(plan.shell);
        strings.insert(strings.end(), plan.arguments.begin(), plan.arguments.end());
        std::vector<char*> argv;
        argv.reserve(strings.size() + 1);
        for (std::string& text : strings) argv.push_back(text.data());
        argv.push_back(nullptr);
        result = ::posix_spawn(&pid, plan.shell.c_str(), actions.get(), attributes.get(), argv.data(), environ);
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
