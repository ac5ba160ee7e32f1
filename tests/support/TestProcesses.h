#pragma once
// Real processes for the tests that scan, signal or restart them: children reaped the moment they
// end (a zombie would still count as a member of its group) and stopped with their group when they
// go, a tool that hangs, what /proc says about any process, and free loopback ports.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Platform/AtomicFile.h"
#include "Platform/SpawnSetup.h"
#include "support/TempHome.h"

extern char** environ;

namespace testing_support {

// Polls until the condition holds; the limit only keeps a broken case from hanging the test.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    for (const auto end = std::chrono::steady_clock::now() + limit; !condition();) {
        if (std::chrono::steady_clock::now() >= end) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

struct ProcessInfo {
    pid_t pid = 0, pgid = 0;
    char state = 'X';       // as in /proc: X dead, Z zombie
    std::string name, cwd;  // name: the short command name
    std::vector<std::string> arguments;
    bool alive() const { return state != 'Z' && state != 'X'; }
};

inline std::optional<ProcessInfo> processInfo(pid_t pid) {
    const std::filesystem::path dir = "/proc/" + std::to_string(pid);
    std::string stat;
    if (!std::getline(std::ifstream(dir / "stat"), stat)) return std::nullopt;
    // The name in parentheses may hold spaces and ')'; the fields follow the last ')'.
    const auto open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos) return std::nullopt;
    ProcessInfo info{pid, 0, 'X', stat.substr(open + 1, close - open - 1), {}, {}};
    std::string parent;
    std::istringstream(stat.substr(close + 2)) >> info.state >> parent >> info.pgid;
    std::error_code error;
    info.cwd = std::filesystem::read_symlink(dir / "cwd", error).string();
    std::ifstream cmdline(dir / "cmdline");
    for (std::string argument; std::getline(cmdline, argument, '\0');) info.arguments.push_back(argument);
    return info;
}

inline bool isRunning(pid_t pid) { return processInfo(pid).value_or(ProcessInfo{}).alive(); }

// Every living process that passes the filter, by ascending pid.
inline std::vector<ProcessInfo> processesWhere(const std::function<bool(const ProcessInfo&)>& accept) {
    std::vector<ProcessInfo> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const auto info = processInfo(std::stoi(name));
        if (info && info->alive() && accept(*info)) found.push_back(*info);
    }
    std::ranges::sort(found, {}, &ProcessInfo::pid);
    return found;
}

// A signal mask of /proc/<pid>/status ("SigIgn", "SigBlk", ...): bit n-1 is signal n.
inline unsigned long long signalMask(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field + ":")) return std::stoull(line.substr(field.size() + 1), nullptr, 16);
    }
    return 0;
}

struct SpawnOptions {
    std::filesystem::path cwd = {};                                      // the test's own when empty
    pid_t joinGroup = 0;                                                 // 0: the child leads a new process group
    std::filesystem::path output = "/dev/null";                          // standard output and error
    std::map<std::string, std::optional<std::string>> environment = {};  // changes; no value removes it
    int stopSignal = SIGKILL;  // sent to the group it leads when the object goes, SIGKILL after 5 s
};

// A child started with posix_spawnp (a PATH search), its standard input on /dev/null.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> argv, const std::filesystem::path& cwd = {}, pid_t joinGroup = 0)
        : ChildProcess(std::move(argv), SpawnOptions{.cwd = cwd, .joinGroup = joinGroup}) {}

    ChildProcess(std::vector<std::string> argv, SpawnOptions options) : options_(std::move(options)) {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry) {
            const std::string variable = *entry;
            if (!options_.environment.contains(variable.substr(0, variable.find('=')))) environment.push_back(variable);
        }
        for (const auto& [name, value] : options_.environment) {
            if (value) environment.push_back(name + "=" + *value);
        }
        Platform::SpawnSetup setup;
        posix_spawn_file_actions_addopen(setup.actions(), 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(setup.actions(), 1, options_.output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
        posix_spawn_file_actions_adddup2(setup.actions(), 1, 2);
        if (!options_.cwd.empty()) posix_spawn_file_actions_addchdir_np(setup.actions(), options_.cwd.c_str());
        posix_spawnattr_setflags(setup.attributes(), POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(setup.attributes(), options_.joinGroup);
        const int error =
            ::posix_spawnp(&pid_, argv.at(0).c_str(), setup.actions(), setup.attributes(),
                           Platform::nullTerminated(argv).data(), Platform::nullTerminated(environment).data());
        if (error != 0 || setup.error() != 0) throw std::runtime_error("cannot start " + argv[0]);
        status_ = std::async(std::launch::async, [pid = pid_] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) continue;
            return status;
        });
    }
    ~ChildProcess() {
        const pid_t target = options_.joinGroup == 0 ? -pid_ : pid_;
        if (!hasExited()) ::kill(target, options_.stopSignal);
        if (!waitForExit(std::chrono::seconds(5))) ::kill(target, SIGKILL);
        status_.wait();
        if (target == pid_) return;
        // Members it started are no children of ours: they go too, so the next test finds their ports free.
        ::kill(target, SIGKILL);
        waitUntil([&] { return members().empty(); }, std::chrono::seconds(10));
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Whether the program has started: the process shows its arguments, which for a moment after the
    // spawn it does not yet.
    bool started() const {
        return waitUntil([&] { return !processInfo(pid_).value_or(ProcessInfo{}).arguments.empty(); });
    }
    bool waitForExit(std::chrono::milliseconds limit) { return status_.wait_for(limit) == std::future_status::ready; }
    bool hasExited() { return waitForExit(std::chrono::milliseconds(0)); }
    std::optional<int> terminatingSignal() {
        return hasExited() && WIFSIGNALED(status_.get()) ? std::optional(WTERMSIG(status_.get())) : std::nullopt;
    }
    std::optional<int> exitCode() {
        return hasExited() && WIFEXITED(status_.get()) ? std::optional(WEXITSTATUS(status_.get())) : std::nullopt;
    }
    // The living processes of the group it leads, the leader included.
    std::vector<pid_t> members() const {
        std::vector<pid_t> pids;
        for (const auto& info : processesWhere([&](const auto& p) { return p.pgid == pid_; })) pids.push_back(info.pid);
        return pids;
    }

private:
    SpawnOptions options_;
    pid_t pid_ = -1;
    std::shared_future<int> status_;
};

// A tool that never finishes: each run starts a helper that holds the tool's output open, and both
// sleep for a day. Whatever of them still runs is killed when the object goes, so that a caller
// still reading the output gets its end.
class HangingTool {
public:
    HangingTool() {
        std::ofstream(path()) << "#!/bin/sh\nsleep 86400 &\necho $! >> '" << started_.string() << "'\necho $$ >> '"
                              << started_.string() << "'\nexec sleep 86400\n";
        std::filesystem::permissions(path(), std::filesystem::perms::owner_all);
    }
    ~HangingTool() {
        for (const pid_t pid : started()) {
            const auto info = processInfo(pid);
            if (info && info->alive() && info->arguments == std::vector<std::string>{"sleep", "86400"})
                ::kill(pid, SIGKILL);
        }
    }
    HangingTool(const HangingTool&) = delete;
    HangingTool& operator=(const HangingTool&) = delete;

    std::string path() const { return (folder_.path() / "tool").string(); }
    // The pids of every run and its helper, once they have started.
    std::vector<pid_t> started() const {
        std::vector<pid_t> pids;
        std::istringstream lines(Platform::readWholeFile(started_, 1 << 20).value_or(""));
        for (pid_t pid = 0; lines >> pid;) pids.push_back(pid);
        return pids;
    }
    bool anyRunning() const {
        return std::ranges::any_of(started(), [](pid_t pid) { return isRunning(pid); });
    }

private:
    TempDir folder_;
    std::filesystem::path started_ = folder_.path() / "started";
};

// The signal that ended the process. The first fatal signal a process receives decides its exit
// status, so the test sends SIGUSR1 now: a process that ends by SIGUSR1 got nothing fatal before.
// -1 when it does not end.
inline int endedBy(ChildProcess& process) {
    ::kill(process.pid(), SIGUSR1);
    return process.waitForExit(std::chrono::seconds(20)) ? process.terminatingSignal().value_or(0) : -1;
}

inline bool acceptsConnections(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// A port on 127.0.0.1 that nothing listens on now and that this process has not handed out before,
// below the ephemeral range (49152 and up) whose listeners the scan leaves out as clients' ports.
inline int freePort() {
    static std::atomic<unsigned> next = std::random_device{}();  // test programs running at once start apart
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int port = 20000 + int(next++ % 29152);
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
        const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (bound) return port;
    }
    throw std::runtime_error("no free port below 49152");
}

// /usr/bin/python3: a real interpreter whose command name is "python3", not a wrapper script.
inline std::optional<std::string> python3() {
    return ::access("/usr/bin/python3", X_OK) == 0 ? std::optional<std::string>("/usr/bin/python3") : std::nullopt;
}

}  // namespace testing_support
