#pragma once
// Counts the callbacks of an observation, which come on its own thread, and waits for them.

#include <atomic>
#include <functional>

#include "discovery/support/TestProcesses.h"

namespace widgetchannel_tests {

struct NotificationCounter {
    std::function<void()> callback() { return [this] { ++heard; }; }
    int count() const { return heard; }
    bool waitFor(int atLeast) { return testing_support::waitUntil([&] { return heard >= atLeast; }); }
    std::atomic<int> heard{0};
};

}  // namespace widgetchannel_tests
