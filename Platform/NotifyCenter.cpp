#include "Platform/NotifyCenter.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <random>
#include <system_error>
#include <thread>
#include <utility>

#include "Platform/FolderEntries.h"
#include "Platform/NotifyFolders.h"
#include "Platform/SystemLog.h"

namespace Platform::NotifyCenter {

struct detail::ObservationState {
    std::string name;
    std::function<void()> callback;
    NotifyFolders::Folder folder;
    std::string entry;  // the socket's name in the folder
    UniqueFd socket;
    UniqueFd wake;  // an eventfd: written once to stop the thread
    std::thread thread;
    std::atomic<bool> stopping{false};
};

namespace {

using State = detail::ObservationState;

std::string randomEntryName() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(generator()));
    return std::to_string(::getpid()) + "-" + suffix;
}

// Binds a fresh socket in the folder under a name no other observer can hold.
bool bindSocket(State& state, std::string& error) {
    state.socket.reset(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!state.socket) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string entry = randomEntryName();
        const auto address = NotifyFolders::socketAddress(state.folder, entry);
        if (!address) {
            error = "the folder's path is too long for a socket address";
            return false;
        }
        if (::bind(state.socket.get(), reinterpret_cast<const sockaddr*>(&address->address), address->length) == 0) {
            state.entry = std::move(entry);
            return true;
        }
        if (errno != EADDRINUSE) break;
    }
    error = std::string("bind: ") + std::strerror(errno);
    return false;
}

// Takes every datagram waiting: they all stand for the same news.
void discardPending(int socket) {
    char byte;
    while (::recv(socket, &byte, sizeof byte, MSG_DONTWAIT) >= 0) {}
}

void callSafely(const State& state) {
    try {
        state.callback();
    } catch (const std::exception& exception) {
        systemLog("Vellumark: notification callback for " + state.name + " failed: " + exception.what());
    } catch (...) {
        systemLog("Vellumark: notification callback for " + state.name + " failed");
    }
}

void listen(const std::shared_ptr<State>& state) {
    pollfd watched[2] = {{state->socket.get(), POLLIN, 0}, {state->wake.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            systemLog("Vellumark: stopped observing notification " + state->name + ": " + std::strerror(errno));
            return;
        }
        if (watched[1].revents != 0 || state->stopping.load()) return;
        if (watched[0].revents & POLLIN) {
            discardPending(state->socket.get());
            callSafely(*state);
        } else if (watched[0].revents != 0) {
            systemLog("Vellumark: stopped observing notification " + state->name + ": socket error");
            return;
        }
    }
}

// Calls `reach` with a datagram socket and the address of every observer's socket in the folder,
// and removes the sockets it finds nobody reads any more: their observer ended without cleaning
// up (killed, say), and `reach` failed with ECONNREFUSED.
void forEachObserver(const NotifyFolders::Folder& folder,
                     const std::function<int(int socket, const NotifyFolders::SocketAddress& address)>& reach) {
    forEachFolderEntry(folder.fd.get(), [&](const dirent& entry) {
        if (entry.d_name[0] == '.' || (entry.d_type != DT_SOCK && entry.d_type != DT_UNKNOWN)) return;
        const auto address = NotifyFolders::socketAddress(folder, entry.d_name);
        const UniqueFd socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (!address || !socket) return;
        if (reach(socket.get(), *address) < 0 && errno == ECONNREFUSED) ::unlinkat(folder.fd.get(), entry.d_name, 0);
    });
}

}  // namespace

void post(const std::string& name) {
    std::string error;
    const std::optional<NotifyFolders::Folder> folder = NotifyFolders::openNameFolder(name, false, error);
    if (!folder) return;  // nobody has observed the name yet
    forEachObserver(*folder, [](int socket, const NotifyFolders::SocketAddress& address) {
        const char byte = 1;
        // EAGAIN: the observer's queue is full, so a wake-up is already waiting for it.
        return static_cast<int>(::sendto(socket, &byte, sizeof byte, MSG_DONTWAIT | MSG_NOSIGNAL,
                                         reinterpret_cast<const sockaddr*>(&address.address), address.length));
    });
}

void removeStaleObservers() {
    std::string error;
    const std::optional<NotifyFolders::Folder> root = NotifyFolders::openRootFolder(false, error);
    if (!root) return;
    forEachFolderEntry(root->fd.get(), [&](const dirent& entry) {
        const auto folder = NotifyFolders::openSubfolder(*root, entry.d_name, false, error);
        if (!folder) return;
        // Connecting sends nothing: a living observer is not woken.
        forEachObserver(*folder, [](int socket, const NotifyFolders::SocketAddress& address) {
            return ::connect(socket, reinterpret_cast<const sockaddr*>(&address.address), address.length);
        });
    });
}

Observation observe(const std::string& name, std::function<void()> callback) {
    auto state = std::make_shared<State>();
    state->name = name;
    state->callback = std::move(callback);
    std::string error;
    std::optional<NotifyFolders::Folder> folder = NotifyFolders::openNameFolder(name, true, error);
    if (!folder) {
        systemLog("Vellumark: cannot observe notification " + name + ": " + error);
        return {};
    }
    state->folder = std::move(*folder);
    if (!bindSocket(*state, error)) {
        systemLog("Vellumark: cannot observe notification " + name + ": " + error);
        return {};
    }
    state->wake.reset(::eventfd(0, EFD_CLOEXEC));
    if (!state->wake) {
        ::unlinkat(state->folder.fd.get(), state->entry.c_str(), 0);
        systemLog("Vellumark: cannot observe notification " + name + ": eventfd: " + std::strerror(errno));
        return {};
    }
    try {
        state->thread = std::thread([state] { listen(state); });
    } catch (const std::system_error& failure) {
        ::unlinkat(state->folder.fd.get(), state->entry.c_str(), 0);
        systemLog("Vellumark: cannot observe notification " + name + ": " + failure.what());
        return {};
    }
    return Observation(std::move(state));
}

Observation::Observation(std::shared_ptr<detail::ObservationState> state) : state_(std::move(state)) {}

Observation::~Observation() { stop(); }

Observation::Observation(Observation&& other) noexcept : state_(std::move(other.state_)) {}

Observation& Observation::operator=(Observation&& other) noexcept {
    if (this != &other) {
        stop();
        state_ = std::move(other.state_);
    }
    return *this;
}

void Observation::stop() {
    if (!state_) return;
    // Unlinked first, so posts stop finding this observer before it stops listening.
    ::unlinkat(state_->folder.fd.get(), state_->entry.c_str(), 0);
    state_->stopping.store(true);
    const std::uint64_t one = 1;
    while (::write(state_->wake.get(), &one, sizeof one) < 0 && errno == EINTR) {}
    if (state_->thread.get_id() == std::this_thread::get_id()) {
        state_->thread.detach();  // inside its own callback: the thread ends once the callback returns
    } else {
        state_->thread.join();
    }
    state_.reset();
}

}  // namespace Platform::NotifyCenter
