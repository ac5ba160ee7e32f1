// The main queue on Qt's event loop, across the life of the application object.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "Platform/Dispatch.h"
#include "Platform/qt/MainQueueDriver.h"

namespace {

using namespace std::chrono_literals;
namespace Dispatch = Platform::Dispatch;

bool turnUntil(const std::function<bool()>& done) {
    for (const auto end = std::chrono::steady_clock::now() + 10s; !done();) {
        if (std::chrono::steady_clock::now() >= end) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// The application object goes without its loop ever running (so without aboutToQuit) while other
// threads keep queueing main-queue work: nothing may reach the driver it took along (the address
// sanitizer sees it), and the next application's driver runs what waits.
TEST(MainQueueDriver, OutlivedByWorkersQueueingWorkAndFollowedByTheNextApplication) {
    int argc = 1;
    char name[] = "platform_qt_tests";
    char* argv[] = {name, nullptr};
    std::atomic<bool> stop{false};
    std::vector<std::thread> producers;
    for (int i = 0; i < 4; ++i) {
        producers.emplace_back([&] {
            while (!stop) {
                Dispatch::mainAsync([] {});
                std::this_thread::sleep_for(100us);
            }
        });
    }
    for (int round = 0; round < 3; ++round) {
        auto application = std::make_unique<QCoreApplication>(argc, argv);
        Platform::installMainQueueDriver(*application);
        bool ran = false;
        Dispatch::mainAsync([&ran] { ran = true; });
        EXPECT_TRUE(turnUntil([&] { return ran; })) << "round " << round;
        application.reset();
        std::this_thread::sleep_for(30ms);  // work keeps coming with no application at all
    }
    stop = true;
    for (auto& producer : producers) producer.join();
    Dispatch::MainQueue::reset();
}

}  // namespace
