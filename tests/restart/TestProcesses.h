#pragma once
// Real processes for the restart tests: children the test starts and reaps, a look at any process
// through /proc, and local TCP ports.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <future>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace restart_support {

namespace fs = std::filesystem;

// A child of the test, reaped at once when it ends (a zombie still counts as a member of its
// group). Killed, with the group it leads, when the object goes.
class ChildProcess {
public:
    // joinGroup 0: the child leads a new process group; otherwise it joins that group.
    ChildProcess(std::vector<std::string> argv, const fs::path& cwd, pid_t joinGroup = 0) : leads_(joinGroup == 0) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, joinGroup);
        std::vector<char*> raw;
        for (std::string& argument : argv) raw.push_back(argument.data());
        raw.push_back(nullptr);
        const int result = posix_spawn(&pid_, raw[0], &actions, &attributes, raw.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (result != 0) throw std::runtime_error("cannot start " + argv[0]);
        status_ = std::async(std::launch::async, [pid = pid_] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return status;
        });
    }
    ~ChildProcess() {
        if (!waitForExit(std::chrono::milliseconds(0))) ::kill(leads_ ? -pid_ : pid_, SIGKILL);
        status_.wait();
    }
    pid_t pid() const { return pid_; }
    bool waitForExit(std::chrono::milliseconds limit) { return status_.wait_for(limit) == std::future_status::ready; }
    std::optional<int> terminatingSignal() {
        if (!waitForExit(std::chrono::milliseconds(0)) || !WIFSIGNALED(status_.get())) return std::nullopt;
        return WTERMSIG(status_.get());
    }

private:
    pid_t pid_ = -1;
    bool leads_;
    std::shared_future<int> status_;
};

struct ProcessInfo {
    pid_t pid = 0, pgid = 0;
    char state = '?';
    std::string cwd;
    std::vector<std::string> arguments;
};

inline std::optional<ProcessInfo> processInfo(pid_t pid) {
    const fs::path dir = "/proc/" + std::to_string(pid);
    std::string stat;
    if (!std::getline(std::ifstream(dir / "stat"), stat) || stat.rfind(')') == std::string::npos) return std::nullopt;
    // The command name in parentheses may hold spaces; the fields that follow start past the last ')'.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    ProcessInfo info;
    pid_t parent = 0;
    fields >> info.state >> parent >> info.pgid;
    info.pid = pid;
    std::error_code error;
    info.cwd = fs::read_symlink(dir / "cwd", error).string();
    std::ifstream cmdline(dir / "cmdline");
    for (std::string argument; std::getline(cmdline, argument, '\0');) info.arguments.push_back(argument);
    return info;
}

inline bool isRunning(pid_t pid) {
    const auto info = processInfo(pid);
    return info && info->state != 'Z';
}

// /proc/<pid> is gone: ended and reaped.
inline bool isGone(pid_t pid) { return !fs::exists("/proc/" + std::to_string(pid)); }

// Live processes whose working directory is the folder.
inline std::vector<ProcessInfo> processesIn(const fs::path& folder) {
    std::vector<ProcessInfo> found;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const auto info = processInfo(std::stoi(name));
        if (info && info->state != 'Z' && info->cwd == folder.string()) found.push_back(*info);
    }
    return found;
}

// Open descriptor → what it refers to.
inline std::map<int, std::string> openDescriptors(pid_t pid) {
    std::map<int, std::string> fds;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        fds[std::stoi(entry.path().filename().string())] = fs::read_symlink(entry.path(), error).string();
    }
    return fds;
}

// A "Sig..." mask of /proc/<pid>/status: "SigIgn", "SigBlk".
inline unsigned long long signalMask(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field + ":")) return std::stoull(line.substr(field.size() + 1), nullptr, 16);
    }
    return ~0ULL;
}

// Polls every 20 ms until the condition holds or the limit passes.
inline bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    for (const auto end = std::chrono::steady_clock::now() + limit; !condition();) {
        if (std::chrono::steady_clock::now() >= end) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Binds 127.0.0.1:port (0: any free port, returned) or connects to it (true when accepted).
inline int loopbackSocket(int port, bool connectTo) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    int result = -1;
    if (connectTo) result = ::connect(fd, raw, length) == 0;
    else if (::bind(fd, raw, length) == 0 && ::getsockname(fd, raw, &length) == 0) result = ntohs(address.sin_port);
    ::close(fd);
    return result;
}
inline int freeLocalPort() { return loopbackSocket(0, false); }
inline bool acceptsConnections(int port) { return loopbackSocket(port, true) == 1; }

}  // namespace restart_support
