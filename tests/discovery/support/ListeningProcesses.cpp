#include "discovery/support/ListeningProcesses.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace testing_support {
namespace {

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The fields of /proc/<pid>/stat after the command name, which may itself hold spaces and ")".
std::vector<std::string> statFieldsAfterName(pid_t pid) {
    const auto stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return {};
    std::istringstream rest(stat.substr(close + 1));
    std::vector<std::string> fields;
    for (std::string field; rest >> field;) fields.push_back(field);
    return fields;  // [0] state, [1] ppid, [2] pgrp, ... [11] utime, [12] stime
}

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// The port bound, or 0 when binding failed.
int bindAndRelease(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    auto address = loopback(port);
    int bound = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        socklen_t length = sizeof address;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) bound = ntohs(address.sin_port);
    }
    close(fd);
    return bound;
}

bool isExecutableFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

ProcessGroup::ProcessGroup(const std::vector<std::string>& arguments, const fs::path& folder) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int error = posix_spawn(&leader_, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::system_error(error, std::generic_category(), "spawning " + arguments.at(0));
}

ProcessGroup::~ProcessGroup() {
    kill(-leader_, SIGKILL);
    while (waitpid(leader_, nullptr, 0) < 0 && errno == EINTR) {
    }
    // Members the leader started are no children of ours; wait until they are gone, so that the
    // next test does not find their ports still taken.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!members().empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

std::vector<pid_t> ProcessGroup::members() const {
    std::vector<pid_t> pids;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const auto name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = std::stoi(name);
        const auto fields = statFieldsAfterName(pid);
        // Killed members that nobody reaped yet no longer count.
        if (fields.size() > 2 && fields[0] != "Z" && std::stoi(fields[2]) == leader_) pids.push_back(pid);
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

int freePort() {
    static std::mutex mutex;
    static std::set<int> handedOut;
    static std::mt19937 random{std::random_device{}()};
    std::lock_guard lock(mutex);
    const auto usable = [](int port) { return port > 0 && port < 49152 && !handedOut.contains(port); };
    // Let the kernel pick first; its choice often lies in the ephemeral range the scan leaves out.
    int port = bindAndRelease(0);
    std::uniform_int_distribution<int> candidates(20000, 49151);
    for (int attempt = 0; attempt < 1000 && !usable(port); ++attempt) port = bindAndRelease(candidates(random));
    if (!usable(port)) throw std::runtime_error("no free port below 49152");
    handedOut.insert(port);
    return port;
}

bool waitUntilListening(int port, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        auto address = loopback(port);
        const bool connected = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (fd >= 0) close(fd);
        if (connected) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::optional<std::string> python3() {
    if (isExecutableFile("/usr/bin/python3")) return "/usr/bin/python3";
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && isExecutableFile(fs::path(folder) / "python3")) return (fs::path(folder) / "python3").string();
    return std::nullopt;
}

std::optional<pid_t> processGroupOf(pid_t pid) {
    const auto fields = statFieldsAfterName(pid);
    if (fields.size() < 3) return std::nullopt;
    return static_cast<pid_t>(std::stoi(fields[2]));
}

std::string commandNameOf(pid_t pid) {
    auto name = readFile("/proc/" + std::to_string(pid) + "/comm");
    if (name.ends_with('\n')) name.pop_back();
    return name;
}

std::string commandLineOf(pid_t pid) {
    auto arguments = readFile("/proc/" + std::to_string(pid) + "/cmdline");
    if (arguments.ends_with('\0')) arguments.pop_back();
    for (auto& character : arguments)
        if (character == '\0') character = ' ';
    return arguments;
}

std::optional<pid_t> memberWithArgument(const ProcessGroup& group, const std::string& argument) {
    for (const pid_t pid : group.members()) {
        const auto arguments = readFile("/proc/" + std::to_string(pid) + "/cmdline");
        std::istringstream pieces(arguments);
        for (std::string piece; std::getline(pieces, piece, '\0');)
            if (piece == argument) return pid;
    }
    return std::nullopt;
}

double cpuSecondsOf(pid_t pid) {
    const auto fields = statFieldsAfterName(pid);
    if (fields.size() < 13) return 0;
    return static_cast<double>(std::stoll(fields[11]) + std::stoll(fields[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace testing_support
