#include "Platform/ProcessRunner.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Platform/SpawnSetup.h"
#include "Platform/UniqueFd.h"

extern char** environ;

namespace Platform {
namespace {

using Clock = std::chrono::steady_clock;
using Deadline = std::optional<Clock::time_point>;

std::string errorText(int error) { return std::generic_category().message(error); }

struct Pipe {
    UniqueFd readEnd, writeEnd;
};

// Moves a descriptor that landed on 0, 1 or 2 (possible when this process runs with a standard
// stream closed) out of the way, so that the child's dup2 onto 1 and open onto 2 cannot clobber it.
int moveAboveStandardStreams(UniqueFd& fd) {
    if (fd.get() > STDERR_FILENO) return 0;
    int moved = fcntl(fd.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (moved < 0) return errno;
    fd.reset(moved);
    return 0;
}

// Both ends close-on-exec, so children spawned by other threads at the same moment never inherit them.
int makeOutputPipe(Pipe& pipe) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return errno;
    pipe.readEnd.reset(fds[0]);
    pipe.writeEnd.reset(fds[1]);
    if (int error = moveAboveStandardStreams(pipe.readEnd)) return error;
    return moveAboveStandardStreams(pipe.writeEnd);
}

bool containsNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

// The tools' messages and number formats must not depend on the user's locale.
std::vector<std::string> childEnvironment(const std::optional<std::vector<std::string>>& given) {
    constexpr std::string_view localeVariable = "LC_ALL=";
    std::vector<std::string> environment = given ? *given : environmentSnapshot();
    std::erase_if(environment, [&](const std::string& variable) { return variable.starts_with(localeVariable); });
    environment.emplace_back("LC_ALL=C");
    return environment;
}

// Standard output into our pipe, standard error to /dev/null, a clean signal state: a blocked or
// ignored SIGTERM inherited from the calling thread would make the child immune to the time limit.
// The child leads a process group of its own, so that a tool that hangs can be stopped together with
// whatever it started (a helper that holds the output open), and with nothing of ours.
int configure(SpawnSetup& setup, int outputWriteEnd) {
    if (int error = setup.error()) return error;
    if (int error = posix_spawn_file_actions_adddup2(setup.actions(), outputWriteEnd, STDOUT_FILENO)) return error;
    if (int error = posix_spawn_file_actions_addopen(setup.actions(), STDERR_FILENO, "/dev/null", O_WRONLY, 0))
        return error;
    if (int error = posix_spawnattr_setpgroup(setup.attributes(), 0)) return error;
    return setup.resetSignals(POSIX_SPAWN_SETPGROUP);
}

// glibc's posix_spawn waits for the exec in the child, so a missing or unrunnable executable comes
// back here as the error number rather than as a child exiting with 127.
int spawnChild(const ProcessRequest& request, int outputWriteEnd, pid_t& pid) {
    if (containsNul(request.executable) || std::ranges::any_of(request.arguments, containsNul) ||
        (request.environment && std::ranges::any_of(*request.environment, containsNul))) {
        return EINVAL;
    }

    std::vector<std::string> arguments = argumentStrings(request.executable, request.arguments);
    std::vector<std::string> environmentStrings = childEnvironment(request.environment);
    std::vector<char*> argv = nullTerminated(arguments);
    std::vector<char*> envp = nullTerminated(environmentStrings);

    SpawnSetup setup;
    if (int error = configure(setup, outputWriteEnd)) return error;
    return posix_spawn(&pid, request.executable.c_str(), setup.actions(), setup.attributes(), argv.data(), envp.data());
}

Deadline deadlineAfter(Clock::time_point start, const std::optional<std::chrono::milliseconds>& limit) {
    if (!limit) return std::nullopt;
    // Saturate instead of overflowing the clock for limits like milliseconds::max().
    auto headroom = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - start);
    if (*limit >= headroom) return Clock::time_point::max();
    return start + *limit;
}

// Milliseconds for poll: -1 without a deadline, 0 once it has passed, otherwise rounded up so that
// a sub-millisecond remainder does not spin.
int pollTimeout(const Deadline& deadline) {
    if (!deadline) return -1;
    auto remaining = *deadline - Clock::now();
    if (remaining <= Clock::duration::zero()) return 0;
    auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(remaining).count();
    return static_cast<int>(std::min<decltype(milliseconds)>(milliseconds, INT_MAX));
}

bool passed(const Deadline& deadline) { return deadline && Clock::now() >= *deadline; }

// Reads until end of file; false when the deadline came first.
bool readToEnd(int fd, const Deadline& deadline, std::string& output) {
    char buffer[64 * 1024];
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        int ready = poll(&entry, 1, pollTimeout(deadline));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return true;  // Cannot happen for a valid pipe; treat it as the end of the output.
        }
        if (ready == 0) {
            if (passed(deadline)) return false;
            continue;
        }
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count > 0) {
            output.append(buffer, static_cast<size_t>(count));
        } else if (count == 0) {
            return true;
        } else if (errno != EINTR && errno != EAGAIN) {
            return true;  // A read error on our own pipe ends the output like end of file would.
        }
    }
}

enum class WaitResult { exited, running, statusLost, timedOut };

// statusLost: the pid is not (or no longer) our child to wait for.
WaitResult reap(pid_t pid, int flags, int& status) {
    for (;;) {
        pid_t result = waitpid(pid, &status, flags);
        if (result == pid) return WaitResult::exited;
        if (result == 0) return WaitResult::running;
        if (errno != EINTR) return WaitResult::statusLost;
    }
}

int openProcessHandle(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));  // close-on-exec by definition
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

enum class ChildState { running, ended, notOurs };

// Looks at the child without reaping it. notOurs: reaped already, or never our child.
ChildState peek(pid_t pid) {
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno != EINTR) return ChildState::notOurs;
    }
    return info.si_pid == pid ? ChildState::ended : ChildState::running;
}

// Whether the child ended (or is no child of ours to wait for) by the deadline. It is left unreaped:
// until it is reaped, its number, and so its process group's, cannot pass to another process. A
// process handle makes the wait precise; where the kernel or a sandbox refuses one, the child is
// checked on a short, growing interval instead.
bool endsBy(pid_t pid, Clock::time_point deadline) {
    UniqueFd handle(openProcessHandle(pid));
    if (handle) {
        for (;;) {
            pollfd entry{handle.get(), POLLIN, 0};
            int ready = poll(&entry, 1, pollTimeout(deadline));
            if (ready > 0) return true;
            if (ready == 0 && passed(deadline)) return false;
            if (ready < 0 && errno != EINTR) break;
        }
    }
    auto interval = std::chrono::milliseconds(1);
    for (;;) {
        if (peek(pid) != ChildState::running) return true;
        if (passed(deadline)) return false;
        auto remaining = deadline - Clock::now();
        std::this_thread::sleep_for(std::min<Clock::duration>(interval, remaining));
        interval = std::min(interval * 2, std::chrono::milliseconds(50));
    }
}

WaitResult waitForExit(pid_t pid, const Deadline& deadline, int& status) {
    if (deadline && !endsBy(pid, *deadline)) return WaitResult::timedOut;
    return reap(pid, 0, status);  // ended by now, so this cannot block
}

// How long a tool past its limit has, after SIGTERM, before what is left of its group gets SIGKILL.
constexpr std::chrono::seconds terminationGrace{2};

// A hung tool goes with everything it started (a helper may hold the output open), so the whole
// group gets SIGTERM, and once the tool has ended or had its grace, SIGKILL for whatever of the
// group is left. The caller does not wait for any of it, yet the child must not stay a zombie; it is
// reaped last, so that until then its group's number stays ours.
void abandon(pid_t pid) {
    kill(-pid, SIGTERM);
    try {
        std::thread([pid] {
            endsBy(pid, Clock::now() + terminationGrace);
            // Only while the child is ours, running or unreaped, does its number name its group.
            if (peek(pid) != ChildState::notOurs) kill(-pid, SIGKILL);
            int status = 0;
            reap(pid, 0, status);
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: no grace either. The child stays a zombie until this process exits,
        // which beats blocking.
        kill(-pid, SIGKILL);
    }
}

ProcessResult finished(int status, std::string output) {
    ProcessResult result;
    result.output = std::move(output);
    if (WIFSIGNALED(status)) {
        result.outcome = ProcessResult::Outcome::killedBySignal;
        result.exitStatus = WTERMSIG(status);
    } else {
        result.outcome = ProcessResult::Outcome::exited;
        result.exitStatus = WEXITSTATUS(status);
    }
    return result;
}

ProcessResult launchFailure(int error) {
    ProcessResult result;
    result.outcome = ProcessResult::Outcome::launchFailed;
    result.launchError = errorText(error);
    return result;
}

ProcessResult timedOut() {
    ProcessResult result;
    result.outcome = ProcessResult::Outcome::timedOut;
    return result;
}

}  // namespace

std::vector<std::string> environmentSnapshot() {
    std::vector<std::string> environment;
    for (char** entry = environ; entry && *entry; ++entry) environment.emplace_back(*entry);
    return environment;
}

ProcessResult runProcess(const ProcessRequest& request) {
    const Deadline deadline = deadlineAfter(Clock::now(), request.timeLimit);

    Pipe pipe;
    if (int error = makeOutputPipe(pipe)) return launchFailure(error);
    pid_t pid = -1;
    if (int error = spawnChild(request, pipe.writeEnd.get(), pid)) return launchFailure(error);
    // Only the child may hold the write end now, or the end of the output would never be seen.
    pipe.writeEnd.reset();

    std::string output;
    if (!readToEnd(pipe.readEnd.get(), deadline, output)) {
        abandon(pid);
        return timedOut();
    }
    pipe.readEnd.reset();

    int status = 0;
    switch (waitForExit(pid, deadline, status)) {
    case WaitResult::exited: return finished(status, std::move(output));
    case WaitResult::timedOut: abandon(pid); return timedOut();
    case WaitResult::running:
    case WaitResult::statusLost: break;
    }
    // Someone else reaped the child (SIGCHLD ignored, or a waitpid(-1) elsewhere). The output is
    // complete but the status is unknown; -1 keeps callers that check for success from trusting it.
    ProcessResult result;
    result.outcome = ProcessResult::Outcome::exited;
    result.output = std::move(output);
    result.exitStatus = -1;
    return result;
}

std::string commandDescription(const ProcessRequest& request) {
    std::string description = request.executable;
    for (const auto& argument : request.arguments) {
        description += ' ';
        description += argument;
    }
    return description;
}

}  // namespace Platform
