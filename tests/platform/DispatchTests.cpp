#include "Platform/Dispatch.h"

#include "Platform/SystemLog.h"

#include <gtest/gtest.h>
#include <pthread.h>

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

namespace {

// Long enough for a loaded machine under a sanitizer; reached only when something is wrong.
constexpr auto patience = 30s;

constexpr QoS allQoS[] = {QoS::userInteractive, QoS::userInitiated, QoS::utility, QoS::background};

// A count other threads raise and the test waits on. Tasks hold it by shared_ptr so that a test
// that gives up waiting doesn't leave them writing into a dead stack frame.
class Tally {
public:
    void add() {
        {
            std::lock_guard lock(mutex_);
            ++count_;
        }
        changed_.notify_all();
    }
    bool reaches(int target) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, patience, [&] { return count_ >= target; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

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

// --- main queue -------------------------------------------------------------------------------

TEST_F(MainQueueTest, RunsImmediateTasksInQueueingOrder) {
    std::vector<int> order;
    for (int i = 0; i < 100; ++i) Dispatch::mainAsync([&order, i] { order.push_back(i); });

    EXPECT_EQ(MainQueue::runDueTasks(), 100u);
    EXPECT_EQ(order, zeroTo(100));
    EXPECT_FALSE(MainQueue::timeUntilNextTask().has_value());
}

TEST_F(MainQueueTest, TasksFromWorkerThreadsRunOnTheMainThreadInEachProducersOrder) {
    constexpr int producers = 4;
    constexpr int perProducer = 250;
    std::vector<std::vector<int>> seen(producers);  // touched on the main thread only
    int ran = 0;
    std::atomic<int> ranOffMain{0};
    std::atomic<int> workersClaimingMain{0};

    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p) {
        threads.emplace_back([&, p] {
            for (int j = 0; j < perProducer; ++j) {
                if (Dispatch::isMainThread()) ++workersClaimingMain;
                Dispatch::mainAsync([&, p, j] {
                    if (!Dispatch::isMainThread()) ++ranOffMain;
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
    std::vector<std::string> order;
    int early = 0;
    auto queueAfter = [&](std::string name, Clock::duration delay) {
        const Clock::time_point deadline = Clock::now() + delay;
        Dispatch::mainAsyncAfter(delay, [&, name, deadline] {
            if (Clock::now() < deadline) ++early;
            order.push_back(name);
        });
    };
    Dispatch::mainAsync([&] { order.push_back("immediate"); });
    queueAfter("last", 60ms);
    queueAfter("first", 10ms);
    queueAfter("second", 30ms);
    queueAfter("third", 30ms);

    ASSERT_TRUE(MainLoop::runUntil([&] { return order.size() == 5; }, patience));
    EXPECT_EQ(order, (std::vector<std::string>{"immediate", "first", "second", "third", "last"}));
    EXPECT_EQ(early, 0);
}

TEST_F(MainQueueTest, ZeroAndNegativeDelaysAreDueAtOnceAndHugeOnesNeverOverflow) {
    int ran = 0;
    bool farRan = false;
    Dispatch::mainAsyncAfter(Clock::duration::max(), [&] { farRan = true; });
    Dispatch::mainAsyncAfter(-5s, [&] { ++ran; });
    Dispatch::mainAsyncAfter(0s, [&] { ++ran; });

    EXPECT_EQ(MainQueue::timeUntilNextTask(), Clock::duration::zero());
    EXPECT_EQ(MainQueue::runDueTasks(), 2u);
    EXPECT_EQ(ran, 2);
    ASSERT_TRUE(MainQueue::timeUntilNextTask().has_value());
    EXPECT_GT(*MainQueue::timeUntilNextTask(), std::chrono::hours(24 * 365));
    MainLoop::runFor(10ms);
    EXPECT_FALSE(farRan);
}

TEST_F(MainQueueTest, EmptyTasksAreIgnored) {
    int wakes = 0;
    MainQueue::setWakeHandler([&] { ++wakes; });
    Dispatch::mainAsync(nullptr);
    Dispatch::mainAsyncAfter(1s, Dispatch::Task{});

    EXPECT_FALSE(MainQueue::timeUntilNextTask().has_value());
    EXPECT_EQ(MainQueue::runDueTasks(), 0u);
    EXPECT_EQ(wakes, 0);
}

TEST_F(MainQueueTest, ThrowingTaskIsLoggedAndLaterTasksStillRun) {
    Platform::LogCapture capture;
    bool laterRan = false;
    Dispatch::mainAsync([] { throw std::runtime_error("disk on fire"); });
    Dispatch::mainAsync([] { throw 7; });
    Dispatch::mainAsync([&] { laterRan = true; });

    EXPECT_EQ(MainQueue::runDueTasks(), 3u);
    EXPECT_TRUE(laterRan);
    EXPECT_TRUE(capture.contains("Vellumark: uncaught exception in queued task: disk on fire"));
    EXPECT_TRUE(capture.contains("Vellumark: uncaught exception in queued task: unknown exception"));
}

TEST_F(MainQueueTest, FollowUpQueuedByATaskRunsInTheSameCall) {
    std::vector<std::string> order;
    Dispatch::mainAsync([&] {
        order.push_back("first");
        Dispatch::mainAsync([&] { order.push_back("follow-up"); });
    });
    Dispatch::mainAsync([&] { order.push_back("second"); });

    EXPECT_EQ(MainQueue::runDueTasks(), 3u);
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "follow-up"}));
}

TEST_F(MainQueueTest, TaskThatRequeuesItselfDoesNotHoldRunDueTasks) {
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        Dispatch::mainAsync(again);
    };
    Dispatch::mainAsync(again);

    const std::size_t first = MainQueue::runDueTasks();
    EXPECT_GE(first, 1u);
    EXPECT_EQ(runs, static_cast<int>(first));
    EXPECT_EQ(MainQueue::timeUntilNextTask(), Clock::duration::zero()) << "the next round stays queued";

    const std::size_t second = MainQueue::runDueTasks();
    EXPECT_GE(second, 1u);
    EXPECT_EQ(runs, static_cast<int>(first + second));

    // The loop goes on calling, so a done condition reached by such a task is still seen.
    EXPECT_TRUE(MainLoop::runUntil([&] { return runs >= 100; }, patience));
}

TEST_F(MainQueueTest, WakeHandlerRunsOnEveryEnqueueOutsideTheQueueLock) {
    std::atomic<int> wakes{0};
    std::atomic<int> wakesBeforeTaskVisible{0};
    // Looking at the queue from the handler would deadlock if it ran under the queue's lock.
    MainQueue::setWakeHandler([&] {
        ++wakes;
        if (!MainQueue::timeUntilNextTask().has_value()) ++wakesBeforeTaskVisible;
    });
    std::thread worker([] {
        Dispatch::mainAsync([] {});
        Dispatch::mainAsyncAfter(1h, [] {});
    });
    worker.join();
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
    Dispatch::mainAsync([&] { ran = true; });

    std::size_t ranElsewhere = 99;
    std::thread worker([&] { ranElsewhere = MainQueue::runDueTasks(); });
    worker.join();

    EXPECT_EQ(ranElsewhere, 0u);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(capture.contains("off the main thread"));
    EXPECT_EQ(MainQueue::runDueTasks(), 1u);
    EXPECT_TRUE(ran);
}

TEST_F(MainQueueTest, MainThreadIsTheLastOneBound) {
    std::promise<void> bound, checked;
    std::promise<bool> workerIsMainAfterBinding, workerIsMainAfterRebinding;
    std::thread worker([&] {
        MainQueue::bindMainThread();
        workerIsMainAfterBinding.set_value(Dispatch::isMainThread());
        bound.set_value();
        checked.get_future().wait();
        workerIsMainAfterRebinding.set_value(Dispatch::isMainThread());
    });
    bound.get_future().wait();
    const bool testThreadWasMain = Dispatch::isMainThread();
    MainQueue::bindMainThread();
    checked.set_value();
    worker.join();

    EXPECT_TRUE(workerIsMainAfterBinding.get_future().get());
    EXPECT_FALSE(testThreadWasMain);
    EXPECT_FALSE(workerIsMainAfterRebinding.get_future().get());
    EXPECT_TRUE(Dispatch::isMainThread());
}

TEST_F(MainQueueTest, ResetDropsQueuedTasksAndTheirCaptures) {
    auto captured = std::make_shared<int>(0);
    bool ran = false;
    Dispatch::mainAsync([&, captured] { ran = true; });
    Dispatch::mainAsyncAfter(1h, [&, captured] { ran = true; });
    ASSERT_EQ(captured.use_count(), 3);

    MainQueue::reset();

    EXPECT_EQ(captured.use_count(), 1);
    EXPECT_FALSE(MainQueue::timeUntilNextTask().has_value());
    EXPECT_EQ(MainQueue::runDueTasks(), 0u);
    EXPECT_FALSE(ran);
}

// --- main loop --------------------------------------------------------------------------------

TEST_F(MainQueueTest, RunUntilWakesForWorkQueuedFromAnotherThread) {
    bool done = false;
    std::thread worker([&] {
        std::this_thread::sleep_for(20ms);  // let the loop go to sleep first
        Dispatch::mainAsync([&] { done = true; });
    });
    const bool finished = MainLoop::runUntil([&] { return done; }, patience);
    worker.join();

    EXPECT_TRUE(finished);
    EXPECT_TRUE(Dispatch::isMainThread());
}

TEST_F(MainQueueTest, RunUntilTimesOutWithoutRunningTasksNotYetDue) {
    bool ran = false;
    Dispatch::mainAsyncAfter(1h, [&] { ran = true; });

    EXPECT_FALSE(MainLoop::runUntil([] { return false; }, 20ms));
    EXPECT_FALSE(ran);
    ASSERT_TRUE(MainQueue::timeUntilNextTask().has_value());
    EXPECT_GT(*MainQueue::timeUntilNextTask(), 30min);
}

TEST_F(MainQueueTest, RunUntilRunsDueWorkEvenWithoutTime) {
    bool ran = false;
    Dispatch::mainAsync([&] { ran = true; });
    EXPECT_TRUE(MainLoop::runUntil([&] { return ran; }, 0s));

    ran = false;
    Dispatch::mainAsync([&] { ran = true; });
    MainLoop::runFor(-1s);
    EXPECT_TRUE(ran);
}

// --- serial queues ----------------------------------------------------------------------------

TEST(SerialQueueTest, ManyProducersEachTaskRunsOnceOneAtATimeInProducerOrder) {
    constexpr int producers = 4;
    constexpr int perProducer = 2500;
    SerialQueue queue("test.serial", QoS::utility);
    std::vector<std::atomic<int>> runs(producers * perProducer);
    std::atomic<int> inFlight{0};
    std::atomic<int> overlaps{0};
    std::vector<int> lastSeen(producers, -1);  // touched by the queue's tasks only
    int outOfOrder = 0;

    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p) {
        threads.emplace_back([&, p] {
            for (int j = 0; j < perProducer; ++j) {
                queue.async([&, p, j] {
                    if (++inFlight != 1) ++overlaps;
                    ++runs[p * perProducer + j];
                    if (j != lastSeen[p] + 1) ++outOfOrder;
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
    int wrongCounts = 0;
    for (const auto& count : runs) wrongCounts += count.load() != 1;
    EXPECT_EQ(wrongCounts, 0);
    EXPECT_EQ(lastSeen, std::vector<int>(producers, perProducer - 1));
}

TEST(SerialQueueTest, SyncRunsAfterEarlierTasksAndReturnsOnlyOnceItsOwnRan) {
    SerialQueue queue("test.sync", QoS::userInitiated);
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    bool earlierDone = false;
    bool syncSawEarlier = false;
    bool syncTaskRan = false;
    bool returnedAfterTask = false;

    queue.async([&, opened] {
        opened.wait();
        earlierDone = true;
    });
    std::thread caller([&] {
        queue.sync([&] {
            syncSawEarlier = earlierDone;
            syncTaskRan = true;
        });
        returnedAfterTask = syncTaskRan;
    });
    gate.set_value();
    caller.join();

    EXPECT_TRUE(syncSawEarlier);
    EXPECT_TRUE(returnedAfterTask);
}

TEST(SerialQueueTest, SyncFromTheQueuesOwnThreadRunsInlineInsteadOfDeadlocking) {
    SerialQueue queue("test.reentrant", QoS::utility);
    std::thread::id outerThread, innerThread;
    std::vector<std::string> order;
    queue.async([&] {
        outerThread = std::this_thread::get_id();
        queue.sync([&] {
            innerThread = std::this_thread::get_id();
            order.push_back("inner");
        });
        order.push_back("outer");
    });
    queue.sync([] {});

    EXPECT_EQ(order, (std::vector<std::string>{"inner", "outer"}));
    EXPECT_EQ(innerThread, outerThread);
    EXPECT_NE(innerThread, std::this_thread::get_id());
}

TEST(SerialQueueTest, DelayedTasksRunByDeadlineAndNeverEarly) {
    SerialQueue queue("test.delayed", QoS::utility);
    auto tally = std::make_shared<Tally>();
    std::vector<std::string> order;  // touched by the queue's tasks only
    std::atomic<int> early{0};
    auto queueAfter = [&](std::string name, Clock::duration delay) {
        const Clock::time_point deadline = Clock::now() + delay;
        queue.asyncAfter(delay, [&, tally, name, deadline] {
            if (Clock::now() < deadline) ++early;
            order.push_back(name);
            tally->add();
        });
    };
    queue.async([&, tally] {
        order.push_back("immediate");
        tally->add();
    });
    queueAfter("last", 50ms);
    queueAfter("first", 10ms);
    queueAfter("second", 25ms);

    ASSERT_TRUE(tally->reaches(4));
    queue.sync([] {});
    EXPECT_EQ(order, (std::vector<std::string>{"immediate", "first", "second", "last"}));
    EXPECT_EQ(early.load(), 0);
}

TEST(SerialQueueTest, DestructorFinishesQueuedWorkAndDropsDelayedWork) {
    std::atomic<int> ran{0};
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
}

TEST(SerialQueueTest, DestructorDoesNotWaitForWorkQueuedWhileDraining) {
    std::atomic<int> runs{0};
    auto captured = std::make_shared<int>(0);
    {
        std::function<void()> again;  // outlives the queue, whose tasks call it
        SerialQueue queue("test.requeue", QoS::utility);
        again = [&, captured] {
            ++runs;
            queue.async(again);
        };
        queue.async(again);
    }
    EXPECT_GE(runs.load(), 1);
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

TEST(SerialQueueTest, ThreadIsNamedAfterTheLabelCutToWhatLinuxKeeps) {
    auto threadName = [](SerialQueue& queue) {
        std::string name;
        queue.sync([&] {
            char buffer[16] = {};
            pthread_getname_np(pthread_self(), buffer, sizeof buffer);
            name = buffer;
        });
        return name;
    };
    SerialQueue scan("io.kestrow.v3lk.scan", QoS::utility);
    EXPECT_EQ(scan.label(), "io.kestrow.v3lk.scan");
    EXPECT_EQ(threadName(scan), "io.kestrow.v3lk");

    SerialQueue shortName("io.scan", QoS::utility);
    EXPECT_EQ(threadName(shortName), "io.scan");

    // Byte 15 falls inside the two-byte "é": the name stops before it rather than split it.
    SerialQueue accented("scan-\u00fcn\u00efc\u00f8d\u00e9-queue", QoS::utility);
    EXPECT_EQ(threadName(accented), "scan-\u00fcn\u00efc\u00f8d");
}

TEST(SerialQueueTest, ThrowingTaskIsLoggedAndTheQueueGoesOn) {
    Platform::LogCapture capture;
    SerialQueue queue("test.throws", QoS::utility);
    bool laterRan = false;
    queue.async([] { throw std::logic_error("bad state"); });
    queue.sync([&] { laterRan = true; });

    EXPECT_TRUE(laterRan);
    EXPECT_TRUE(capture.contains("Vellumark: uncaught exception in queued task: bad state"));
}

// --- global queues ----------------------------------------------------------------------------

TEST(GlobalQueueTest, TasksOnOneQueueRunConcurrently) {
    for (QoS qos : allQoS) {
        // Each task waits for the other to arrive: on a queue that ran them one at a time the
        // first would give up after the patience runs out.
        struct Meeting {
            std::mutex mutex;
            std::condition_variable changed;
            int arrived = 0;
            int met = 0;
            int left = 0;
        };
        auto meeting = std::make_shared<Meeting>();
        auto meet = [meeting] {
            std::unique_lock lock(meeting->mutex);
            ++meeting->arrived;
            meeting->changed.notify_all();
            if (meeting->changed.wait_for(lock, patience, [&] { return meeting->arrived == 2; })) ++meeting->met;
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

TEST(GlobalQueueTest, EveryTaskRunsOnceAwayFromTheMainThread) {
    MainQueue::bindMainThread();
    constexpr int perQoS = 250;
    auto tally = std::make_shared<Tally>();
    auto runs = std::make_shared<std::vector<std::atomic<int>>>(4 * perQoS);
    auto onMain = std::make_shared<std::atomic<int>>(0);
    for (int i = 0; i < perQoS; ++i) {
        for (int q = 0; q < 4; ++q) {
            Dispatch::globalAsync(allQoS[q], [=] {
                if (Dispatch::isMainThread()) ++*onMain;
                ++(*runs)[q * perQoS + i];
                tally->add();
            });
        }
    }
    Dispatch::globalAsync(QoS::utility, nullptr);

    ASSERT_TRUE(tally->reaches(4 * perQoS));
    int wrongCounts = 0;
    for (const auto& count : *runs) wrongCounts += count.load() != 1;
    EXPECT_EQ(wrongCounts, 0);
    EXPECT_EQ(onMain->load(), 0);
}

TEST(GlobalQueueTest, AsyncAfterRunsNoEarlierThanTheDelay) {
    auto tally = std::make_shared<Tally>();
    auto early = std::make_shared<std::atomic<int>>(0);
    const Clock::duration delays[] = {40ms, 5ms, 20ms, 0ms};
    for (int i = 0; i < 4; ++i) {
        const Clock::time_point deadline = Clock::now() + delays[i];
        Dispatch::globalAsyncAfter(allQoS[i], delays[i], [=] {
            if (Clock::now() < deadline) ++*early;
            tally->add();
        });
    }
    ASSERT_TRUE(tally->reaches(4));
    EXPECT_EQ(early->load(), 0);
}

TEST(GlobalQueueTest, ThrowingTaskIsLoggedAndTheQueueGoesOn) {
    Platform::LogCapture capture;
    auto tally = std::make_shared<Tally>();
    Dispatch::globalAsync(QoS::background, [] { throw std::runtime_error("worker tripped"); });
    // The pool keeps serving after the exception: all of these still run.
    constexpr int followers = 256;
    for (int i = 0; i < followers; ++i) Dispatch::globalAsync(QoS::background, [tally] { tally->add(); });

    ASSERT_TRUE(tally->reaches(followers));
    const Clock::time_point giveUp = Clock::now() + patience;
    while (!capture.contains("Vellumark: uncaught exception in queued task: worker tripped") && Clock::now() < giveUp) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(capture.contains("Vellumark: uncaught exception in queued task: worker tripped"));
}
