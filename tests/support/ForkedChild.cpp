#include "support/ForkedChild.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <fstream>
#include <system_error>

namespace testing_support {
namespace fs = std::filesystem;

namespace {

// The peak resident memory so far, in KiB (VmHWM).
long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return 0;
}

std::pair<uid_t, gid_t> nobody() {
    const passwd* entry = ::getpwnam("nobody");
    return entry ? std::pair{entry->pw_uid, entry->pw_gid} : std::pair<uid_t, gid_t>{65534, 65534};
}

void giveTo(const fs::path& folder, uid_t uid, gid_t gid) {
    ::lchown(folder.c_str(), uid, gid);
    for (const auto& entry : fs::recursive_directory_iterator(folder)) ::lchown(entry.path().c_str(), uid, gid);
}

void writeAll(int fd, const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const ssize_t written = ::write(fd, text.data() + at, text.size() - at);
        if (written <= 0 && errno != EINTR) return;
        if (written > 0) at += static_cast<std::size_t>(written);
    }
}

[[noreturn]] void runBody(int reportFd, const std::function<std::string()>& body, bool dropPrivileges) {
    if (dropPrivileges) {
        const auto [uid, gid] = nobody();
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
            writeAll(reportFd, "0\ncannot become nobody: " + std::string(std::strerror(errno)));
            ::_exit(0);
        }
    }
    const long before = peakResidentKiB();
    std::string problems;
    try {
        problems = body();
    } catch (const std::exception& error) {
        problems = std::string("threw: ") + error.what();
    }
    writeAll(reportFd, std::to_string(peakResidentKiB() - before) + "\n" + problems);
    ::_exit(0);
}

}  // namespace

ChildOutcome runInChild(const std::function<std::string()>& body, const ChildOptions& options) {
    const bool dropPrivileges = options.unprivilegedIn && ::geteuid() == 0;
    if (dropPrivileges) giveTo(*options.unprivilegedIn, nobody().first, nobody().second);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
    const pid_t child = ::fork();
    if (child < 0) throw std::system_error(errno, std::generic_category(), "fork");
    if (child == 0) {
        ::close(report[0]);
        runBody(report[1], body, dropPrivileges);
    }
    ::close(report[1]);

    ChildOutcome outcome;
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    bool timedOut = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd readable{report[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) == 0) {
            timedOut = true;
            ::kill(child, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t got = ::read(report[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(report[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}

    const std::size_t lineEnd = text.find('\n');
    outcome.finished = !timedOut && WIFEXITED(status) && lineEnd != std::string::npos;
    if (outcome.finished) {
        outcome.peakGrowthKiB = std::stol(text.substr(0, lineEnd));
        outcome.problems = text.substr(lineEnd + 1);
    } else if (timedOut) {
        outcome.ending = "still running after two minutes";
    } else if (WIFSIGNALED(status)) {
        outcome.ending = std::string("killed by ") + ::strsignal(WTERMSIG(status));
    } else {
        outcome.ending = "exited with status " + std::to_string(WEXITSTATUS(status)) + " before the body returned";
    }
    return outcome;
}

}  // namespace testing_support
