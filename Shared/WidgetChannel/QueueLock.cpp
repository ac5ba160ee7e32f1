#include "Shared/WidgetChannel/QueueLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <thread>

namespace WidgetChannel {

QueueLock::QueueLock(const std::filesystem::path& lockFile, std::chrono::milliseconds patience) {
    Platform::UniqueFd fd(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) return;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (true) {
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            fd_ = std::move(fd);
            state_ = State::held;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) return;  // unavailable
        if (std::chrono::steady_clock::now() >= deadline) {
            state_ = State::busy;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

QueueLock::~QueueLock() {
    if (fd_) ::flock(fd_.get(), LOCK_UN);
}

}  // namespace WidgetChannel
