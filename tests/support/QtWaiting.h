#pragma once
// Qt test programs: the main queue runs on Qt's event loop, as in the application, and tests wait
// by turning that loop until something has happened.

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <thread>

#include "Platform/qt/MainQueueDriver.h"

namespace app_test {

// Once per program, after the QApplication exists.
inline void installMainQueueOnQt() {
    static const bool installed = (Platform::installMainQueueDriver(*QCoreApplication::instance()), true);
    (void)installed;
}

// Turns Qt's loop until the condition holds or the limit passes; the condition's last value.
inline bool runUntil(const std::function<bool()>& condition,
                     std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    for (const auto end = std::chrono::steady_clock::now() + limit; !condition();) {
        if (std::chrono::steady_clock::now() >= end) return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline void runFor(std::chrono::milliseconds duration) {
    runUntil([] { return false; }, duration);
}

}  // namespace app_test
