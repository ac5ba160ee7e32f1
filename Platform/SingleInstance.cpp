#include "Platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>

#include "Platform/Dispatch.h"
#include "Platform/NotifyFolders.h"
#include "Platform/SystemLog.h"
#include "Platform/UniqueFd.h"

namespace Platform::SingleInstance {

struct Listener::State {
    NotifyFolders::Folder folder;
    UniqueFd lock;
    UniqueFd socket;  // listening; none when it could not be set up
    UniqueFd wake;    // an eventfd: written once to stop the thread
    std::thread thread;
};

namespace {

using Clock = std::chrono::steady_clock;

constexpr char answerText[] = "ok\n";
constexpr std::chrono::milliseconds retryInterval{20};
constexpr std::chrono::milliseconds acceptPause{1000};

std::string lastError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool tryLock(const UniqueFd& lock) { return ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0; }

// The lock is ours: whatever socket file is there belongs to an instance that has ended.
std::unique_ptr<Listener> listenAsFirst(NotifyFolders::Folder folder, UniqueFd lock) {
    auto state = std::make_unique<Listener::State>();
    state->folder = std::move(folder);
    state->lock = std::move(lock);
    std::string error;
    const auto address = NotifyFolders::socketAddress(state->folder, socketFileName);
    if (!address) {
        error = "the folder's path is too long for a socket address";
    } else if (::unlinkat(state->folder.fd.get(), socketFileName, 0) != 0 && errno != ENOENT) {
        error = lastError("unlink");
    } else {
        UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!socket) {
            error = lastError("socket");
        } else if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address->address), address->length) != 0) {
            error = lastError("bind");
        } else if (::listen(socket.get(), SOMAXCONN) != 0) {
            error = lastError("listen");
        } else {
            state->socket = std::move(socket);
        }
    }
    if (!error.empty())
        systemLog("Vellumark: later launches cannot reach this instance: " +
                  (state->folder.path / socketFileName).string() + ": " + error);
    return std::make_unique<Listener>(std::move(state));
}

std::string describe(std::chrono::milliseconds span) {
    const auto count = span.count();
    return count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms";
}

enum class Reply { answered, closed, timedOut };

Reply awaitAnswer(int socket, Clock::time_point deadline) {
    std::string received;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Reply::timedOut;
        pollfd watched{socket, POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return ready == 0 ? Reply::timedOut : Reply::closed;
        char buffer[16];
        const ssize_t count = ::recv(socket, buffer, sizeof buffer, 0);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return Reply::closed;
        received.append(buffer, static_cast<std::size_t>(count));
        if (received.find('\n') != std::string::npos) return received == answerText ? Reply::answered : Reply::closed;
    }
}

// The lock is taken: asks its holder, and takes the lock over should the holder end meanwhile.
Launch handOver(NotifyFolders::Folder folder, UniqueFd lock, std::chrono::milliseconds patience) {
    const auto deadline = Clock::now() + patience;
    const auto address = NotifyFolders::socketAddress(folder, socketFileName);
    const std::string socketPath = (folder.path / socketFileName).string();
    std::string lastProblem = "nobody listens";
    for (;;) {
        if (address) {
            const UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
            if (socket &&
                ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address->address), address->length) == 0) {
                switch (awaitAnswer(socket.get(), deadline)) {
                case Reply::answered: return {Launch::Role::handedOver, {}, nullptr};
                case Reply::closed: lastProblem = "the connection closed without an answer"; break;
                case Reply::timedOut: lastProblem = "no answer"; break;
                }
            }
        } else {
            lastProblem = "the folder's path is too long for a socket address";
        }
        // Nobody listens (yet): the holder is still starting, or has ended and let go of the lock.
        if (tryLock(lock)) return {Launch::Role::first, {}, listenAsFirst(std::move(folder), std::move(lock))};
        if (Clock::now() >= deadline)
            return {Launch::Role::noAnswer, socketPath + ": " + lastProblem + " within " + describe(patience), nullptr};
        std::this_thread::sleep_for(retryInterval);
    }
}

void answer(const std::function<void()>& onRequest, int connection) {
    Dispatch::mainAsync(onRequest);
    ::send(connection, answerText, sizeof answerText - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

void serveRequests(Listener::State& state, const std::function<void()>& onRequest) {
    pollfd watched[2] = {{state.socket.get(), POLLIN, 0}, {state.wake.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            systemLog("Vellumark: stopped answering later launches: " + lastError("poll"));
            return;
        }
        if (watched[1].revents != 0) return;
        for (;;) {
            const UniqueFd connection(::accept4(state.socket.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (connection) {
                answer(onRequest, connection.get());
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED) break;
            // Out of descriptors, say: the launch stays queued; look again after a pause rather
            // than spinning on it.
            systemLog("Vellumark: cannot take a later launch's request: " + lastError("accept"));
            if (::poll(&watched[1], 1, static_cast<int>(acceptPause.count())) > 0) return;
            break;
        }
    }
}

}  // namespace

Listener::Listener(std::unique_ptr<State> state) : state_(std::move(state)) {}

Listener::~Listener() {
    if (state_->thread.joinable()) {
        const std::uint64_t one = 1;
        while (::write(state_->wake.get(), &one, sizeof one) < 0 && errno == EINTR) {}
        state_->thread.join();
    }
    // The socket file goes while the lock is still held, so it can only be this instance's.
    if (state_->socket) ::unlinkat(state_->folder.fd.get(), socketFileName, 0);
    state_->socket.reset();
    state_->lock.reset();
}

void Listener::serve(std::function<void()> onRequest) {
    if (!state_->socket || state_->thread.joinable()) return;
    state_->wake.reset(::eventfd(0, EFD_CLOEXEC));
    if (!state_->wake) {
        systemLog("Vellumark: cannot answer later launches: " + lastError("eventfd"));
        return;
    }
    try {
        state_->thread =
            std::thread([state = state_.get(), onRequest = std::move(onRequest)] { serveRequests(*state, onRequest); });
    } catch (const std::system_error& failure) {
        systemLog(std::string("Vellumark: cannot answer later launches: ") + failure.what());
    }
}

Launch claim(std::chrono::milliseconds patience) {
    std::string error;
    std::optional<NotifyFolders::Folder> folder = NotifyFolders::openRuntimeFolder({}, true, error);
    if (!folder) return {Launch::Role::unchecked, error, nullptr};
    // O_NOFOLLOW: a link planted in the lock file's place never creates or locks its target.
    const std::string lockPath = (folder->path / lockFileName).string();
    UniqueFd lock(::openat(folder->fd.get(), lockFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!lock) return {Launch::Role::unchecked, lockPath + ": " + std::strerror(errno), nullptr};
    if (tryLock(lock)) return {Launch::Role::first, {}, listenAsFirst(std::move(*folder), std::move(lock))};
    if (errno != EWOULDBLOCK) return {Launch::Role::unchecked, lockPath + ": " + lastError("flock"), nullptr};
    return handOver(std::move(*folder), std::move(lock), patience);
}

}  // namespace Platform::SingleInstance
