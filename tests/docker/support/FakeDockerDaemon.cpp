#include "FakeDockerDaemon.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {

namespace {

bool acceptsConnections(const std::filesystem::path& socketPath) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    const bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

}  // namespace

std::string readTextFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

FakeDockerDaemon::FakeDockerDaemon(std::filesystem::path socketPath, const std::string& containersJSON)
    : socketPath_(std::move(socketPath)) {
    if (socketPath_.string().size() >= sizeof(sockaddr_un{}.sun_path))
        throw std::runtime_error("socket path too long: " + socketPath_.string());
    std::filesystem::create_directories(socketPath_.parent_path());
    stateFolder_ = socketPath_.parent_path() / (socketPath_.filename().string() + ".fake-daemon");
    std::filesystem::create_directories(stateFolder_);
    std::ofstream(stateFolder_ / "containers.json") << containersJSON;
    std::ofstream(stateFolder_ / "calls.log").flush();
    std::vector<std::string> arguments{"python3", FAKE_DOCKER_DAEMON_SCRIPT, socketPath_.string(),
                                       (stateFolder_ / "containers.json").string(),
                                       (stateFolder_ / "calls.log").string()};
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (const int error = posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ))
        throw std::runtime_error(std::string("cannot start the fake daemon: ") + std::strerror(error));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!acceptsConnections(socketPath_)) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("the fake daemon exited before serving");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            stop();
            throw std::runtime_error("the fake daemon did not start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void FakeDockerDaemon::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) continue;
    pid_ = -1;
}

FakeDockerDaemon::~FakeDockerDaemon() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(stateFolder_, ignored);
}

std::vector<std::string> FakeDockerDaemon::calls() const {
    std::vector<std::string> lines;
    std::istringstream log(readTextFile(stateFolder_ / "calls.log"));
    for (std::string line; std::getline(log, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace testing_support
