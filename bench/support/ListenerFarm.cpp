#include "support/ListenerFarm.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>

namespace {

// Registered ports, clear of the usual servers of a development machine.
constexpr int firstPort = 20000;
constexpr int lastPort = 49151;

// A listening socket on the first free loopback port from `port` on, which is moved past it.
int listenOnFreePort(int& port) {
    for (; port <= lastPort; ++port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) throw std::runtime_error("socket failed");
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && ::listen(fd, 8) == 0) {
            ++port;
            return fd;
        }
        ::close(fd);
    }
    throw std::runtime_error("no free port left below the dynamic range");
}

}  // namespace

ListenerFarm::ListenerFarm(int count, const std::filesystem::path& home) {
    const pid_t parent = ::getpid();
    int port = firstPort;
    pids_.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        const std::string folder = (home / "Development" / ("p" + std::to_string(index))).string();
        std::filesystem::create_directories(folder);
        const int socket = listenOnFreePort(port);
        const pid_t pid = ::fork();
        if (pid < 0) {
            ::close(socket);
            throw std::runtime_error("fork failed");
        }
        if (pid == 0) {
            // Only calls that are safe in the child of a program that may have threads.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(0);
            ::setpgid(0, 0);
            if (::chdir(folder.c_str()) != 0) ::_exit(1);
            ::prctl(PR_SET_NAME, "devserver");
            for (;;) ::pause();
        }
        ::setpgid(pid, pid);  // also here, so the group exists before the first scan
        ::close(socket);
        pids_.push_back(pid);
    }
}

ListenerFarm::~ListenerFarm() {
    for (const pid_t pid : pids_) ::kill(pid, SIGKILL);
    for (const pid_t pid : pids_) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) continue;
    }
}
