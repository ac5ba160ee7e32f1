#pragma once
// Qt test programs: the main queue runs on Qt's event loop, as in the application, and tests wait by
// turning that loop until something has happened (bounded, never a timing assertion).

#include <chrono>
#include <functional>

namespace app_test {

// Once per program, after the QApplication exists.
void installMainQueueOnQt();

// Processes Qt's events (and so main-queue tasks) until the condition holds or the limit passes;
// returns the condition's last value.
bool runUntil(const std::function<bool()>& condition,
              std::chrono::milliseconds limit = std::chrono::milliseconds(10'000));

// Processes Qt's events for a while.
void runFor(std::chrono::milliseconds duration);

}  // namespace app_test
