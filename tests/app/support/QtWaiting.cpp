#include "app/support/QtWaiting.h"

#include <QCoreApplication>

#include <thread>

#include "Platform/qt/MainQueueDriver.h"

namespace app_test {
namespace {

void turnOnce() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace

void installMainQueueOnQt() {
    static const bool installed = [] {
        Platform::installMainQueueDriver(*QCoreApplication::instance());
        return true;
    }();
    (void)installed;
}

bool runUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        turnOnce();
    }
    return true;
}

void runFor(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < deadline) turnOnce();
}

}  // namespace app_test
