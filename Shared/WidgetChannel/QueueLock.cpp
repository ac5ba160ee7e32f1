#include "Shared/WidgetChannel/QueueLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace WidgetChannel {

QueueLock::QueueLock(const std::filesystem::path& lockFile) {
    Platform::UniqueFd fd(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) return;
    int result;
    while ((result = ::flock(fd.get(), LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (result == 0) fd_ = std::move(fd);
}

QueueLock::~QueueLock() {
    if (fd_) ::flock(fd_.get(), LOCK_UN);
}

}  // namespace WidgetChannel
