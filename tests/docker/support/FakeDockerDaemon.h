#pragma once
// A fake Docker daemon for tests: fake_docker_daemon.py serving the Engine API on a Unix socket, so
// that the real docker client can list, stop, kill and restart the containers it was given.

#include <filesystem>
#include <string>
#include <vector>

#include <sys/types.h>

namespace testing_support {

class FakeDockerDaemon {
public:
    // Starts serving `containersJSON` (a JSON array of Engine API container objects) at
    // `socketPath` and waits until the socket accepts connections. Throws when it does not start.
    FakeDockerDaemon(std::filesystem::path socketPath, const std::string& containersJSON);
    ~FakeDockerDaemon();
    FakeDockerDaemon(const FakeDockerDaemon&) = delete;
    FakeDockerDaemon& operator=(const FakeDockerDaemon&) = delete;

    const std::filesystem::path& socketPath() const { return socketPath_; }
    // Every request received so far, "METHOD /path?query", in order.
    std::vector<std::string> calls() const;

private:
    void stop();

    std::filesystem::path socketPath_;
    std::filesystem::path stateFolder_;
    pid_t pid_ = -1;
};

// The text of a test fixture file.
std::string readTextFile(const std::filesystem::path& path);

}  // namespace testing_support
