#pragma once
// The advisory lock that the widget's enqueue and the application's drain hold around their
// read-and-replace of the queue file, so neither acts on a list the other is about to change. It is
// an flock() on a file beside the queue, so it also keeps two threads of one process apart.

#include <filesystem>

#include "Platform/UniqueFd.h"

namespace WidgetChannel {

class QueueLock {
public:
    // Waits for the lock, which the other side holds only for one small read and write. When the lock
    // file cannot be opened or locked, the holder goes on unlocked, as both sides did before there
    // was a lock: the queue still works, only the race is back.
    explicit QueueLock(const std::filesystem::path& lockFile);
    ~QueueLock();
    QueueLock(const QueueLock&) = delete;
    QueueLock& operator=(const QueueLock&) = delete;

    bool isHeld() const { return static_cast<bool>(fd_); }

private:
    Platform::UniqueFd fd_;
};

}  // namespace WidgetChannel
