#pragma once
// Shared by the tracker and restart tests: fixed dates, and a test thread that owns the main queue.

#include <gtest/gtest.h>

#include "Platform/Dispatch.h"
#include "Platform/ISO8601.h"

namespace tracker_support {

// 2026-12-05T20:18:14Z plus `seconds`.
inline Platform::Date at(double seconds) {
    return Platform::Date(std::chrono::seconds(1'796'501'894)) +
           std::chrono::duration_cast<Platform::Date::duration>(std::chrono::duration<double>(seconds));
}

// The test's thread is the main thread, with an empty main queue at the start.
class MainThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        Platform::Dispatch::MainQueue::reset();
        Platform::Dispatch::MainQueue::bindMainThread();
    }
    void TearDown() override { Platform::Dispatch::MainQueue::reset(); }
    // Runs the main-queue blocks queued so far (and any they queue).
    static std::size_t drainMainQueue() { return Platform::Dispatch::MainQueue::runDueTasks(); }
};

}  // namespace tracker_support
