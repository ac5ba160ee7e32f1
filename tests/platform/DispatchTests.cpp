#include "Platform/Dispatch.h"

#include "Platform/SystemLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
namespace Dispatch = Platform::Dispatch;
using Dispatch::Clock;
using Dispatch::QoS;
using Dispatch::SerialQueue;
namespace MainQueue = Dispatch::MainQueue;
namespace MainLoop = Dispatch::MainLoop;
using Names = std::vector<std::string>;

namespace {

// Reached only when something is wrong; long enough for a loaded machine under a sanitizer.
constexpr auto patience = 30s;
constexpr QoS allQoS[] = {QoS::userInteractive, QoS::userInitiated, QoS::utility, QoS::background};
const std::string uncaught = "Vellumark: uncaught exception in queued task: ";

bool eventually(const std::function<bool()>& condition) {
    for (auto giveUp = Clock::now() + patience; !condition(); std::this_thread::sleep_for(1ms))
        if (Clock::now() > giveUp) return false;
    return true;
}

// Counts shared with tasks by shared_ptr, so a test that gives up doesn't leave them writing into a
// dead stack frame.
using Count = std::shared_ptr<std::atomic<int>>;
Count newCount() { return std::make_shared<std::atomic<int>>(0); }

std::vector<int> zeroTo(int count) {
    std::vector<int> values(count);
    std::iota(values.begin(), values.end(), 0);
    return values;
}

class MainQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainQueue::setWakeHandler(nullptr);
        MainQueue::reset();
        MainQueue::bindMainThread();
    }
    void TearDown() override {
        MainQueue::setWakeHandler(nullptr);
        MainQueue::reset();
    }
};

}  // namespace

// --- main queue and main loop -----------------------------------------------------------------

TEST_F(MainQueueTest, TasksFromWorkerThreadsRunOnTheMainThreadInEachProducersOrder) {
    constexpr int producers = 4, perProducer = 250;
    std::vector<std::vector<int>> seen(producers);  // touched on the main thread only
    int ran = 0;
    std::atomic<int> ranOffMain{0}, workersClaimingMain{0};
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p) {
        threads.emplace_back([&, p] {
            for (int j = 0; j < perProducer; ++j) {
                workersClaimingMain += Dispatch::isMainThread();
                Dispatch::mainAsync([&, p, j] {
                    ranOffMain += !Dispatch::isMainThread();
                    seen[p].push_back(j);
                    ++ran;
                });
            }
        });
    }
    const bool finished = MainLoop::runUntil([&] { return ran == producers * perProducer; }, patience);
    for (auto& thread : threads) thread.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(ranOffMain.load(), 0);
    EXPECT_EQ(workersClaimingMain.load(), 0);
    for (int p = 0; p < producers; ++p) EXPECT_EQ(seen[p], zeroTo(perProducer)) << "producer " << p;
}

TEST_F(MainQueueTest, DelayedTasksRunByDeadlineThenQueueingOrderAndNeverEarly) {
    Names order;
    int early = 0;
    Dispatch::mainAsync([&] { order.push_back("immediate"); });
    for (auto [name, delay] : {std::pair{"last", 60ms}, {"first", 10ms}, {"second", 30ms}, {"third", 30ms}}) {
        Dispatch::mainAsyncAfter(delay, [&, name, deadline = Clock::now() + delay] {
            early += Clock::now() < deadline;
            order.push_back(name);
        });
    }
    ASSERT_TRUE(MainLoop::runUntil([&] { return order.size() == 5; }, patience));
    EXPECT_EQ(order, (Names{"immediate", "first", "second", "third", "last"}));
    EXPECT_EQ(early, 0);
}

TEST_F(MainQueueTest, OddDelaysAndEmptyTasks) {
    int ran = 0, wakes = 0;
    bool farRan = false;
    MainQueue::setWakeHandler([&] { ++wakes; });
    Dispatch::mainAsync(nullptr);  // empty tasks are ignored, without a wake
    Dispatch::mainAsyncAfter(1s, Dispatch::Task{});
    EXPECT_EQ(wakes, 0);
    Dispatch::mainAsyncAfter(Clock::duration::max(), [&] { farRan = true; });  // must not overflow
    Dispatch::mainAsyncAfter(-5s, [&] { ++ran; });
    Dispatch::mainAsyncAfter(0s, [&] { ++ran; });

    EXPECT_EQ(MainQueue::timeUntilNextTask(), Clock::duration::zero());
    EXPECT_EQ(MainQueue::runDueTasks(), 2u);
    EXPECT_EQ(ran, 2);
    EXPECT_GT(MainQueue::timeUntilNextTask().value_or(0s), std::chrono::hours(24 * 365));
    MainLoop::runFor(10ms);
    EXPECT_FALSE(farRan);
}

TEST_F(MainQueueTest, TaskThatRequeuesItselfDoesNotHoldRunDueTasks) {
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        Dispatch::mainAsync(again);
    };
    Dispatch::mainAsync(again);
    const std::size_t first = MainQueue::runDueTasks();
    EXPECT_EQ(runs, static_cast<int>(first));
    EXPECT_EQ(MainQueue::timeUntilNextTask(), Clock::duration::zero()) << "the next round stays queued";
    // The loop goes on calling, so a done condition reached by such a task is still seen.
    EXPECT_TRUE(MainLoop::runUntil([&] { return runs >= 100; }, patience));
}

TEST_F(MainQueueTest, WakeHandlerRunsOnEveryEnqueueOutsideTheQueueLock) {
    std::atomic<int> wakes{0}, wakesBeforeTaskVisible{0};
    // Looking at the queue from the handler would deadlock if it ran under the queue's lock.
    MainQueue::setWakeHandler([&] {
        ++wakes;
        wakesBeforeTaskVisible += !MainQueue::timeUntilNextTask().has_value();
    });
    std::thread([] {
        Dispatch::mainAsync([] {});
        Dispatch::mainAsyncAfter(1h, [] {});
    }).join();
    Dispatch::mainAsync([] {});
    EXPECT_EQ(wakes.load(), 3);
    EXPECT_EQ(wakesBeforeTaskVisible.load(), 0);

    MainQueue::setWakeHandler(nullptr);
    Dispatch::mainAsync([] {});
    EXPECT_EQ(wakes.load(), 3);
}

TEST_F(MainQueueTest, RunDueTasksOffTheMainThreadRunsNothing) {
    Platform::LogCapture capture;
    bool ran = false;
    std::size_t ranElsewhere = 99;
    Dispatch::mainAsync([&] { ran = true; });
    std::thread([&] { ranElsewhere = MainQueue::runDueTasks(); }).join();
    EXPECT_EQ(ranElsewhere, 0u);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(capture.contains("off the main thread"));
    EXPECT_EQ(MainQueue::runDueTasks(), 1u);
}

TEST_F(MainQueueTest, RunUntilWakesForWorkFromAnotherThreadAndRunsOnlyDueWork) {
    bool done = false, lateRan = false;
    Dispatch::mainAsyncAfter(1h, [&] { lateRan = true; });
    std::thread worker([&] {
        std::this_thread::sleep_for(20ms);  // let the loop go to sleep first
        Dispatch::mainAsync([&] { done = true; });
    });
    const bool finished = MainLoop::runUntil([&] { return done; }, patience);
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(MainLoop::runUntil([] { return false; }, 20ms));
    EXPECT_FALSE(lateRan);

    // Due work runs even when no time is left.
    done = false;
    Dispatch::mainAsync([&] { done = true; });
    EXPECT_TRUE(MainLoop::runUntil([&] { return done; }, 0s));
    done = false;
    Dispatch::mainAsync([&] { done = true; });
    MainLoop::runFor(-1s);
    EXPECT_TRUE(done);
}

TEST_F(MainQueueTest, ThrowingTaskIsLoggedAndEveryKindOfQueueGoesOn) {
    Platform::LogCapture capture;
    bool laterRan = false;
    Dispatch::mainAsync([] { throw std::runtime_error("disk on fire"); });
    Dispatch::mainAsync([] { throw 7; });
    Dispatch::mainAsync([&] { laterRan = true; });
    EXPECT_EQ(MainQueue::runDueTasks(), 3u);
    EXPECT_TRUE(laterRan);
    EXPECT_TRUE(capture.contains(uncaught + "disk on fire"));
    EXPECT_TRUE(capture.contains(uncaught + "unknown exception"));

    SerialQueue queue("test.throws", QoS::utility);
    laterRan = false;
    queue.async([] { throw std::logic_error("bad state"); });
    queue.sync([&] { laterRan = true; });
    EXPECT_TRUE(laterRan);
    EXPECT_TRUE(capture.contains(uncaught + "bad state"));

    // The pool keeps serving after the exception: all of the followers still run.
    auto followers = newCount();
    Dispatch::globalAsync(QoS::background, [] { throw std::runtime_error("worker tripped"); });
    for (int i = 0; i < 256; ++i) Dispatch::globalAsync(QoS::background, [followers] { ++*followers; });
    EXPECT_TRUE(eventually([&] { return *followers == 256; }));
    EXPECT_TRUE(eventually([&] { return capture.contains(uncaught + "worker tripped"); }));
}

// --- serial queues ----------------------------------------------------------------------------

TEST(SerialQueueTest, ManyProducersEachTaskRunsOnceOneAtATimeInProducerOrder) {
    constexpr int producers = 4, perProducer = 2500;
    SerialQueue queue("test.serial", QoS::utility);
    std::vector<std::atomic<int>> runs(producers * perProducer);
    std::atomic<int> inFlight{0}, overlaps{0};
    std::vector<int> lastSeen(producers, -1);  // touched by the queue's tasks only
    int outOfOrder = 0;
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p) {
        threads.emplace_back([&, p] {
            for (int j = 0; j < perProducer; ++j) {
                queue.async([&, p, j] {
                    overlaps += ++inFlight != 1;
                    ++runs[p * perProducer + j];
                    outOfOrder += j != lastSeen[p] + 1;
                    lastSeen[p] = j;
                    --inFlight;
                });
            }
        });
    }
    for (auto& thread : threads) thread.join();
    queue.sync([] {});
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_EQ(std::ranges::count_if(runs, [](const auto& count) { return count != 1; }), 0);
}

TEST(SerialQueueTest, SyncWaitsForEarlierTasksAndRunsInlineOnTheQueuesOwnThread) {
    SerialQueue queue("test.sync", QoS::userInitiated);
    std::promise<void> gate;
    bool earlierDone = false, syncSawEarlier = false, syncTaskRan = false, returnedAfterTask = false;
    queue.async([&, opened = gate.get_future().share()] {
        opened.wait();
        earlierDone = true;
    });
    std::thread caller([&] {
        queue.sync([&] { syncSawEarlier = earlierDone, syncTaskRan = true; });
        returnedAfterTask = syncTaskRan;
    });
    gate.set_value();
    caller.join();
    EXPECT_TRUE(syncSawEarlier);
    EXPECT_TRUE(returnedAfterTask);

    // From the queue's own thread, sync would deadlock unless it runs the task inline.
    Names order;
    queue.async([&] {
        queue.sync([&] { order.push_back("inner"); });
        order.push_back("outer");
    });
    queue.sync([] {});
    EXPECT_EQ(order, (Names{"inner", "outer"}));
}

TEST(SerialQueueTest, DestructorFinishesQueuedWorkAndDropsDelayedOrRequeuedWork) {
    std::atomic<int> ran{0}, requeues{0};
    std::atomic<bool> delayedRan{false};
    auto captured = std::make_shared<int>(0);
    std::promise<void> gate;
    {
        SerialQueue queue("test.drain", QoS::background);
        queue.async([opened = gate.get_future().share()] { opened.wait(); });
        for (int i = 0; i < 100; ++i) queue.async([&] { ++ran; });
        queue.asyncAfter(1h, [&, captured] { delayedRan = true; });
        gate.set_value();
    }
    EXPECT_EQ(ran.load(), 100);
    EXPECT_FALSE(delayedRan.load());
    EXPECT_EQ(captured.use_count(), 1);
    {
        std::function<void()> again;  // outlives the queue, whose tasks call it
        SerialQueue queue("test.requeue", QoS::utility);
        again = [&, captured] {
            ++requeues;
            queue.async(again);
        };
        queue.async(again);
    }  // must not wait forever for work queued while draining
    EXPECT_GE(requeues.load(), 1);
    EXPECT_EQ(captured.use_count(), 1);
}

TEST(SerialQueueTest, QueueDestroyedByItsOwnTaskStillFinishesTheRest) {
    auto queue = std::make_unique<SerialQueue>("test.selfdrop", QoS::utility);
    std::promise<void> gate, laterRan;
    queue->async([opened = gate.get_future().share()] { opened.wait(); });
    queue->async([&] { queue.reset(); });
    queue->async([&] { laterRan.set_value(); });
    gate.set_value();
    ASSERT_EQ(laterRan.get_future().wait_for(patience), std::future_status::ready);
    EXPECT_EQ(queue, nullptr);
}

// --- global queues ----------------------------------------------------------------------------

TEST(GlobalQueueTest, TasksOnOneQueueRunConcurrently) {
    for (QoS qos : allQoS) {
        // Each task waits for the other: on a queue that ran them one at a time the first would give up.
        struct Meeting {
            std::mutex mutex;
            std::condition_variable changed;
            int arrived = 0, met = 0, left = 0;
        };
        auto meeting = std::make_shared<Meeting>();
        auto meet = [meeting] {
            std::unique_lock lock(meeting->mutex);
            ++meeting->arrived;
            meeting->changed.notify_all();
            meeting->met += meeting->changed.wait_for(lock, patience, [&] { return meeting->arrived == 2; });
            ++meeting->left;
            meeting->changed.notify_all();
        };
        Dispatch::globalAsync(qos, meet);
        Dispatch::globalAsync(qos, meet);
        std::unique_lock lock(meeting->mutex);
        ASSERT_TRUE(meeting->changed.wait_for(lock, 2 * patience, [&] { return meeting->left == 2; }));
        EXPECT_EQ(meeting->met, 2) << "quality of service " << static_cast<int>(qos);
    }
}

TEST(GlobalQueueTest, EveryTaskRunsOnceAwayFromTheMainThreadAndNeverEarly) {
    MainQueue::bindMainThread();
    constexpr int perQoS = 250;
    auto runs = std::make_shared<std::vector<std::atomic<int>>>(4 * perQoS);
    auto done = newCount(), onMain = newCount(), early = newCount();
    for (int i = 0; i < perQoS; ++i) {
        for (int q = 0; q < 4; ++q) {
            Dispatch::globalAsync(allQoS[q], [=] {
                *onMain += Dispatch::isMainThread();
                ++(*runs)[q * perQoS + i];
                ++*done;
            });
        }
    }
    Dispatch::globalAsync(QoS::utility, nullptr);
    const Clock::duration delays[] = {40ms, 5ms, 20ms, 0ms};
    for (int q = 0; q < 4; ++q) {
        Dispatch::globalAsyncAfter(allQoS[q], delays[q], [=, deadline = Clock::now() + delays[q]] {
            *early += Clock::now() < deadline;
            ++*done;
        });
    }
    ASSERT_TRUE(eventually([&] { return *done == 4 * perQoS + 4; }));
    EXPECT_EQ(std::ranges::count_if(*runs, [](const auto& count) { return count != 1; }), 0);
    EXPECT_EQ(*onMain, 0);
    EXPECT_EQ(*early, 0);
}
