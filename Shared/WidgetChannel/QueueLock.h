#pragma once
// The advisory lock that the widget's enqueue and the application's drain hold around their
// read-and-replace of the queue file, so neither acts on a list the other is about to change. It is
// an flock() on a file beside the queue, so it also keeps two threads of one process apart.

#include <chrono>
#include <filesystem>

#include "Platform/UniqueFd.h"

namespace WidgetChannel {

class QueueLock {
public:
    enum class State { held, busy, unavailable };

    // Waits up to `patience` for the lock, which the other side holds only for one small read and
    // write; a peer that stopped while holding it (a widget held in a debugger) must not freeze the
    // application, so past that the lock counts as busy. When the lock file cannot be opened the
    // state is unavailable: the holder may go on unlocked, as both sides did before there was a
    // lock — the queue still works, only the race is back.
    QueueLock(const std::filesystem::path& lockFile, std::chrono::milliseconds patience);
    ~QueueLock();
    QueueLock(const QueueLock&) = delete;
    QueueLock& operator=(const QueueLock&) = delete;

    State state() const { return state_; }

private:
    Platform::UniqueFd fd_;
    State state_ = State::unavailable;
};

}  // namespace WidgetChannel
