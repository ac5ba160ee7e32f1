#include "Platform/Dispatch.h"

#include "Platform/SystemLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
namespace Dispatch = Platform::Dispatch;
using Dispatch::Clock;
using Dispatch::QoS;
using Dispatch::SerialQueue;
namespace MainQueue = Dispatch::MainQueue;

namespace {

constexpr auto patience = 30s;  // reached only when something is wrong

bool eventually(const std::function<bool()>& condition) {
    for (auto giveUp = Clock::now() + patience; !condition(); std::this_thread::sleep_for(1ms))
        if (Clock::now() > giveUp) return false;
    return true;
}

class MainQueueTest : public ::testing::Test {
protected:
    void SetUp() override { MainQueue::bindMainThread(); }
    void TearDown() override { MainQueue::setWakeHandler(nullptr), MainQueue::reset(); }
};

TEST_F(MainQueueTest, TasksFromWorkerThreadsRunOnTheMainThreadInEachProducersOrder) {
    constexpr int producers = 4, perProducer = 250;
    std::vector<int> next(producers, 0);  // touched on the main thread only
    int ran = 0, misordered = 0;
    std::atomic<int> offMain{0};
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p) {
        threads.emplace_back([&, p] {
            for (int j = 0; j < perProducer; ++j)
                Dispatch::mainAsync(
                    [&, p, j] { offMain += !Dispatch::isMainThread(), misordered += j != next[p]++, ++ran; });
        });
    }
    const bool finished = Dispatch::MainLoop::runUntil([&] { return ran == producers * perProducer; }, patience);
    for (auto& thread : threads) thread.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(std::pair(offMain.load(), misordered), std::pair(0, 0)) << "tasks off the main thread, out of order";
}

TEST_F(MainQueueTest, DelayedTasksRunByDeadlineThenQueueingOrderAndNeverEarly) {
    std::vector<std::string> order;
    int early = 0;
    Dispatch::mainAsyncAfter(Clock::duration::max(), [&] { order.push_back("never"); });  // must not overflow
    Dispatch::mainAsyncAfter(-5s, [&] { order.push_back("overdue"); });                   // counts as no delay
    for (auto [name, delay] : {std::pair{"last", 60ms}, {"first", 10ms}, {"second", 30ms}, {"third", 30ms}}) {
        Dispatch::mainAsyncAfter(delay, [&, name, deadline = Clock::now() + delay] {
            early += Clock::now() < deadline, order.push_back(name);
        });
    }
    ASSERT_TRUE(Dispatch::MainLoop::runUntil([&] { return order.size() >= 5; }, patience));
    EXPECT_EQ(order, (std::vector<std::string>{"overdue", "first", "second", "third", "last"}));
    EXPECT_EQ(early, 0);
}

// A test waits with runUntil for things no task changes, such as a child process's exit: the loop
// looks at its condition again while the queue is idle, not only when the limit has passed.
TEST_F(MainQueueTest, RunUntilSeesAConditionThatNoTaskChanges) {
    std::atomic<bool> changed{false};
    std::thread changer([&] { std::this_thread::sleep_for(20ms), changed = true; });
    const auto started = Clock::now();
    EXPECT_TRUE(Dispatch::MainLoop::runUntil([&] { return changed.load(); }, patience));
    changer.join();
    EXPECT_LT(Clock::now() - started, patience / 2) << "looked at again only when the limit had passed";
}

// The wake handler looks at the queue, which would deadlock if it ran under the queue's lock.
TEST_F(MainQueueTest, ATaskRequeuingItselfWakesEachTimeButDoesNotHoldRunDueTasks) {
    int runs = 0;
    std::atomic<int> wakes{0}, wakesBeforeTaskVisible{0};
    MainQueue::setWakeHandler([&] { ++wakes, wakesBeforeTaskVisible += !MainQueue::timeUntilNextTask(); });
    std::function<void()> again = [&] { ++runs, Dispatch::mainAsync(again); };
    std::thread([&] { Dispatch::mainAsync(again); }).join();
    Dispatch::mainAsync(nullptr);  // ignored, without a wake
    EXPECT_EQ(runs, static_cast<int>(MainQueue::runDueTasks()));
    EXPECT_EQ(wakes.load(), runs + 1);
    EXPECT_EQ(wakesBeforeTaskVisible.load(), 0);
    // The loop goes on calling, so a done condition reached by such a task is still seen.
    EXPECT_TRUE(Dispatch::MainLoop::runUntil([&] { return runs >= 100; }, patience));
}

TEST_F(MainQueueTest, ThrowingTaskIsLoggedAndEveryKindOfQueueGoesOn) {
    Platform::LogCapture capture;
    const std::string uncaught = "Vellumark: uncaught exception in queued task: ";
    const auto logged = [&](const char* what) { return capture.contains(uncaught + what); };
    auto ran = std::make_shared<std::atomic<int>>(0);  // outlives a test that gave up
    Dispatch::mainAsync([] { throw std::runtime_error("disk on fire"); });
    Dispatch::mainAsync([] { throw 7; });
    Dispatch::mainAsync([ran] { ++*ran; });
    EXPECT_EQ(MainQueue::runDueTasks(), 3u);
    EXPECT_TRUE(logged("disk on fire") && logged("unknown exception"));
    SerialQueue queue("test.throws", QoS::utility);
    queue.async([] { throw std::logic_error("bad state"); });
    queue.sync([ran] { ++*ran; });
    EXPECT_TRUE(logged("bad state"));
    Dispatch::globalAsync(QoS::background, [] { throw std::runtime_error("worker tripped"); });
    for (int i = 0; i < 64; ++i) Dispatch::globalAsync(QoS::background, [ran] { ++*ran; });
    EXPECT_TRUE(eventually([&] { return *ran == 66 && logged("worker tripped"); })) << *ran;
}

TEST(SerialQueueTest, TasksRunOneAtATimeInOrderAndSyncWaitsForThem) {
    constexpr int producers = 4, perProducer = 2500;
    SerialQueue queue("test.serial", QoS::utility);
    std::atomic<int> inFlight{0}, overlaps{0}, badSyncs{0};
    std::vector<int> next(producers, 0);  // touched by the queue's tasks only
    int outOfOrder = 0;
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p) {
        threads.emplace_back([&, p] {
            for (int j = 0; j < perProducer; ++j)
                queue.async([&, p, j] { overlaps += ++inFlight != 1, outOfOrder += j != next[p]++, --inFlight; });
            bool ran = false;
            queue.sync([&] { badSyncs += next[p] != perProducer, ran = true; });
            badSyncs += !ran;
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_EQ(badSyncs.load(), 0) << "sync ran before earlier tasks or returned before its own";
}

TEST(SerialQueueTest, DestructionFinishesQueuedWorkAndDropsDelayedOrRequeuedWork) {
    std::atomic<int> ran{0};
    auto captured = std::make_shared<int>(0);
    std::promise<void> gate;
    {
        std::function<void()> again;  // outlives the queue, whose tasks call it
        SerialQueue queue("test.drain", QoS::background);
        queue.async([opened = gate.get_future().share()] { opened.wait(); });
        for (int i = 0; i < 100; ++i) queue.async([&] { ++ran; });
        queue.asyncAfter(1h, [&, captured] { ran = -1000; });
        again = [&, captured] { queue.async(again); };
        queue.async(again);
        gate.set_value();
    }  // must not wait forever for work queued while draining
    EXPECT_EQ(ran.load(), 100);
    EXPECT_EQ(captured.use_count(), 1) << "dropped tasks were not freed";
}

// Each task waits for the other: on a queue that ran them one at a time the first would give up.
TEST(GlobalQueueTest, TasksOnOneQueueRunConcurrentlyOffTheMainThread) {
    MainQueue::bindMainThread();
    for (QoS qos : {QoS::userInteractive, QoS::userInitiated, QoS::utility, QoS::background}) {
        struct Meeting {
            std::atomic<int> arrived{0}, met{0}, onMain{0};
        };
        auto meeting = std::make_shared<Meeting>();  // outlives a test that gave up
        auto meet = [meeting] {
            meeting->onMain += Dispatch::isMainThread();
            ++meeting->arrived;
            meeting->met += eventually([&] { return meeting->arrived == 2; });
        };
        Dispatch::globalAsync(qos, meet);
        Dispatch::globalAsyncAfter(qos, 20ms, meet);
        eventually([&] { return meeting->met == 2; });
        EXPECT_EQ(meeting->met, 2) << "quality of service " << static_cast<int>(qos);
        EXPECT_EQ(meeting->onMain, 0);
    }
}

}  // namespace
