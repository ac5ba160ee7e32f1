#pragma once
// A sandbox for tests that signal processes by number or hand numbers out themselves: the first
// process of a PID namespace of its own, with a /proc of that namespace mounted in a mount namespace
// of its own. A signal sent there can reach only the sandbox's processes, and the sandbox may set the
// number the kernel hands out next (/proc/sys/kernel/ns_last_pid). As root the namespaces are made
// directly; otherwise inside a user namespace in which the test's user is root.

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

namespace testing_support {

// What inPIDNamespace returns when the machine does not allow the namespaces.
inline constexpr int pidNamespaceUnavailable = 77;

namespace Detail {

inline bool writeText(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
}

inline int exitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) continue;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The test's user becomes root of a new user namespace, which owns the namespaces made with it.
inline bool unshareAsUser(int namespaces) {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    return ::unshare(CLONE_NEWUSER | namespaces) == 0 &&
           writeText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           writeText("/proc/self/setgroups", "deny") &&
           writeText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

}  // namespace Detail

// Which /proc the sandbox sees: its own, or the machine's, as a sandbox that forgot to mount one does.
enum class SandboxProc { own, machines };

// Runs `body` as process 1 of the sandbox and returns what it returns (0 to 255; 128 + the signal
// when it was killed), or pidNamespaceUnavailable. The body runs in a forked copy of the test program:
// gtest's assertions do not reach the test from there, so it reports through its result. Every
// process it leaves behind ends with it.
inline int inPIDNamespace(const std::function<int()>& body, SandboxProc proc = SandboxProc::own) {
    const pid_t outer = ::fork();
    if (outer < 0) return pidNamespaceUnavailable;
    if (outer > 0) return Detail::exitStatus(outer);
    ::setpgid(0, 0);  // a kill(0) inside must not reach the test program's group
    constexpr int namespaces = CLONE_NEWPID | CLONE_NEWNS;
    if (::unshare(namespaces) != 0 && !Detail::unshareAsUser(namespaces)) ::_exit(pidNamespaceUnavailable);
    const pid_t first = ::fork();
    if (first < 0) ::_exit(pidNamespaceUnavailable);
    if (first > 0) ::_exit(Detail::exitStatus(first));
    // The /proc of the machine would describe its own processes under the sandbox's numbers.
    if (proc == SandboxProc::own && (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                                     ::mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0))
        ::_exit(pidNamespaceUnavailable);
    ::_exit(body());
}

// Inside the sandbox: the next process started gets the number `pid` (when it is free).
inline bool nextPIDWillBe(pid_t pid) {
    return Detail::writeText("/proc/sys/kernel/ns_last_pid", std::to_string(pid - 1));
}

}  // namespace testing_support
