#pragma once
// Counts the callbacks of an observation (they come on its own thread) and lets the test wait for
// them. The wait's limit only keeps a broken channel from hanging the test.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace widgetchannel_tests {

class NotificationCounter {
public:
    std::function<void()> callback() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++count_;
            changed_.notify_all();
        };
    }

    int count() const {
        std::lock_guard lock(mutex_);
        return count_;
    }

    // True once the count is at least the given number.
    bool waitFor(int atLeast, std::chrono::seconds limit = std::chrono::seconds(30)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return count_ >= atLeast; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

}  // namespace widgetchannel_tests
