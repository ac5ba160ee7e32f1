#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "Platform/Dispatch.h"
#include "Platform/qt/MainQueueDriver.h"

namespace {

using namespace std::chrono_literals;
namespace Dispatch = Platform::Dispatch;

// The application object goes without its loop ever running (so without aboutToQuit) while other
// threads keep queueing main-queue work: nothing may reach the driver it took along (the address
// sanitizer sees it), and the next application's driver runs what waits.
TEST(MainQueueDriver, OutlivedByWorkersQueueingWorkAndFollowedByTheNextApplication) {
    int argc = 1;
    char* argv[] = {const_cast<char*>("platform_qt_tests"), nullptr};
    std::atomic<bool> stop{false};
    std::atomic<long> queued{0};
    std::vector<std::thread> producers;
    for (int i = 0; i < 4; ++i)
        producers.emplace_back([&] {
            while (!stop) Dispatch::mainAsync([] {}), ++queued, std::this_thread::sleep_for(100us);
        });
    for (int round = 0; round < 3; ++round) {
        auto application = std::make_unique<QCoreApplication>(argc, argv);
        Platform::installMainQueueDriver(*application);
        bool ran = false;
        Dispatch::mainAsync([&ran] { ran = true; });
        for (auto end = std::chrono::steady_clock::now() + 10s; !ran && std::chrono::steady_clock::now() < end;)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_TRUE(ran) << "round " << round;
        application.reset();
        // Work keeps coming with no application at all.
        const long before = queued;
        for (auto end = std::chrono::steady_clock::now() + 10s;
             queued < before + 100 && std::chrono::steady_clock::now() < end;)
            std::this_thread::sleep_for(1ms);
        EXPECT_GE(queued, before + 100) << "round " << round;
    }
    stop = true;
    for (auto& producer : producers) producer.join();
    Dispatch::MainQueue::reset();
}

}  // namespace
