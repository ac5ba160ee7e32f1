#include "Platform/Dispatch.h"

#include "Platform/SystemLog.h"

#include <pthread.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <future>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace Platform::Dispatch {

namespace {

// --- shared pieces ----------------------------------------------------------------------------

// A task must never take its queue's thread down with it: the other tasks still have to run.
void runGuarded(const Task& task) {
    try {
        task();
    } catch (const std::exception& error) {
        systemLog(std::string("Vellumark: uncaught exception in queued task: ") + error.what());
    } catch (...) {
        systemLog("Vellumark: uncaught exception in queued task: unknown exception");
    }
}

// Linux truncates nothing for us: pthread_setname_np fails outright beyond 15 bytes. Cut at a
// character boundary so ps and debuggers never show half a UTF-8 sequence.
void nameCurrentThread(const std::string& label) {
    constexpr std::size_t maxLength = 15;
    std::size_t length = std::min(label.size(), maxLength);
    if (length < label.size()) {
        while (length > 0 && (static_cast<unsigned char>(label[length]) & 0xC0) == 0x80) --length;
    }
    pthread_setname_np(pthread_self(), label.substr(0, length).c_str());
}

// Deadlines far in the future are still honoured, but no wait is handed to the kernel further
// out than this: a wake-up now and then costs nothing and keeps clear of time arithmetic limits.
constexpr Clock::duration longestWait = std::chrono::hours(1);

Clock::time_point waitLimit(Clock::time_point wanted) {
    const Clock::time_point now = Clock::now();
    return wanted - now > longestWait ? now + longestWait : wanted;
}

// The tasks of one queue, each ready at a point in time: immediate tasks at the moment they were
// queued, delayed tasks at their deadline. Ordering by (ready time, queueing number) gives FIFO for
// immediate tasks, deadline-then-queueing order for delayed ones, and lets a delayed task whose
// deadline passed take its place among the immediate ones by that time. Not thread-safe: each
// queue guards its schedule with its own mutex.
class Schedule {
public:
    // Marks which tasks a pass may take: those ready by `now` and queued before `sequence`.
    struct Cutoff {
        Clock::time_point now;
        std::uint64_t sequence;
    };

    void add(Clock::duration delay, Task task) {
        // Read the clock under the owner's lock so ready times never decrease with the queueing
        // number, which the cutoff relies on.
        const Clock::time_point now = Clock::now();
        Clock::time_point readyAt = now;
        if (delay > Clock::duration::zero()) {
            readyAt = delay >= Clock::time_point::max() - now ? Clock::time_point::max() : now + delay;
        }
        tasks_.emplace(Key{readyAt, nextSequence_++}, std::move(task));
    }

    Cutoff cutoffNow() const { return {Clock::now(), nextSequence_}; }

    // Everything ready by now, regardless of when it was queued.
    static Cutoff openCutoff() { return {Clock::now(), UINT64_MAX}; }

    std::optional<Task> takeDue(const Cutoff& cutoff) {
        if (tasks_.empty()) return std::nullopt;
        auto first = tasks_.begin();
        // Tasks queued after the cutoff are ready no earlier than its `now`, so they sort after
        // every older task that qualifies; stopping at the first one that fails is enough.
        if (first->first.readyAt > cutoff.now || first->first.sequence >= cutoff.sequence) {
            return std::nullopt;
        }
        Task task = std::move(first->second);
        tasks_.erase(first);
        return task;
    }

    std::optional<Clock::time_point> nextReadyAt() const {
        if (tasks_.empty()) return std::nullopt;
        return tasks_.begin()->first.readyAt;
    }

    // Grows by one with every task ever queued; waiters compare it to notice new work.
    std::uint64_t queuedCount() const { return nextSequence_; }

    // Hands the tasks over so the caller can destroy them outside its lock: a task's captures may
    // queue work of their own when they go away.
    std::vector<Task> takeAll() {
        std::vector<Task> dropped;
        dropped.reserve(tasks_.size());
        for (auto& entry : tasks_) dropped.push_back(std::move(entry.second));
        tasks_.clear();
        return dropped;
    }

private:
    struct Key {
        Clock::time_point readyAt;
        std::uint64_t sequence;
        bool operator<(const Key& other) const {
            return readyAt != other.readyAt ? readyAt < other.readyAt : sequence < other.sequence;
        }
    };
    std::map<Key, Task> tasks_;
    std::uint64_t nextSequence_ = 0;
};

// --- main queue -------------------------------------------------------------------------------

// How many passes one runDueTasks call makes. Each pass takes what was ready when it began, so
// follow-up work queued by a pass runs in the next one; the limit stops a task that queues itself
// again from keeping the call (and the event loop around it) busy forever. Deeper chains go on in
// the next call, which their enqueue has already asked the driver for.
constexpr int mainQueuePasses = 8;

struct MainState {
    std::mutex mutex;
    std::condition_variable changed;
    Schedule schedule;
    std::atomic<std::thread::id> mainThread{};
    // The handler runs with wakeMutex held, and setWakeHandler takes it too: once the handler is
    // replaced, the old one is neither running nor ever called again, so a driver may free what
    // its handler points to right after. A lock of its own, not the queue's: the handler may look
    // at the queue.
    std::mutex wakeMutex;
    std::function<void()> wakeHandler;
};

// Set while this thread runs the wake handler. Work queued from inside the handler asks for no
// second wake (the one in progress covers it) instead of deadlocking on wakeMutex.
thread_local bool insideWakeHandler = false;

// Never destroyed: worker threads may still queue main-thread work while the process exits.
MainState& mainState() {
    static MainState* const state = new MainState;
    return *state;
}

void enqueueMain(Clock::duration delay, Task task) {
    if (!task) return;
    MainState& state = mainState();
    {
        std::lock_guard lock(state.mutex);
        state.schedule.add(delay, std::move(task));
    }
    state.changed.notify_all();
    if (insideWakeHandler) return;
    std::lock_guard wakeLock(state.wakeMutex);
    if (!state.wakeHandler) return;
    insideWakeHandler = true;
    runGuarded(state.wakeHandler);
    insideWakeHandler = false;
}

// --- global queues ----------------------------------------------------------------------------

// A pool of worker threads for one quality of service. A task that finds no idle worker gets a new
// one, up to a generous limit: tasks here may block for a long time (a container restart, a wait
// for a server to come back), and a small pool would leave the next task, often one the user is
// waiting for, queued behind them. A worker left idle for a while ends, so a burst of blocking
// work leaves no crowd of threads behind.
//
// No nice values per quality of service: a thread inherits the nice value of the thread that
// creates it and may not lower it again without privilege, so a background task that first uses
// another pool would leave that pool's threads at background priority for good.
class Pool {
public:
    explicit Pool(std::string name) : name_(std::move(name)) {}

    void async(Task task) {
        bool startThread = false;
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
            // Idle workers only leave the count when they actually wake, so more queued tasks than
            // idle workers means some task would otherwise wait for a busy one.
            if (tasks_.size() > idle_ && threads_ < maxThreads) {
                ++threads_;
                startThread = true;
            }
        }
        if (startThread) startWorker();
        available_.notify_one();
    }

private:
    // Past this many busy workers, tasks wait for one to finish.
    static constexpr std::size_t maxThreads = 64;
    // How long an idle worker waits for work before it ends.
    static constexpr std::chrono::seconds idleLifetime{30};

    void startWorker() {
        try {
            // Detached: the pool outlives main(), and joining at exit could wait on a task forever.
            std::thread([this] { work(); }).detach();
        } catch (const std::system_error& error) {
            // Out of threads: the task stays queued for the workers there are (or the next start).
            systemLog(std::string("Vellumark: could not start a worker thread: ") + error.what());
            std::lock_guard lock(mutex_);
            --threads_;
        }
    }

    void work() {
        nameCurrentThread(name_);
        std::unique_lock lock(mutex_);
        for (;;) {
            while (tasks_.empty()) {
                ++idle_;
                const bool woken = available_.wait_for(lock, idleLifetime, [this] { return !tasks_.empty(); });
                --idle_;
                // Decided under the lock with nothing queued: a task queued from now on sees one
                // worker fewer and starts its own if no other is idle.
                if (!woken) {
                    --threads_;
                    return;
                }
            }
            Task task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            runGuarded(task);
            task = nullptr;  // captures go away outside the lock too
            lock.lock();
        }
    }

    const std::string name_;
    std::mutex mutex_;
    std::condition_variable available_;
    std::deque<Task> tasks_;
    std::size_t idle_ = 0;
    std::size_t threads_ = 0;
};

// Never destroyed (see Pool). Reachable through this static, so leak checkers don't count it.
Pool& globalPool(QoS qos) {
    static const std::array<Pool*, 4> pools = {new Pool("q.interactive"), new Pool("q.initiated"),
                                               new Pool("q.utility"), new Pool("q.background")};
    return *pools[static_cast<std::size_t>(qos)];
}

// One thread holds every delayed global task and hands each to its pool at the deadline; a serial
// queue does exactly that. Never destroyed, like the pools.
SerialQueue& globalTimer() {
    static SerialQueue* const timer = new SerialQueue("q.timer", QoS::userInteractive);
    return *timer;
}

}  // namespace

// --- main queue -------------------------------------------------------------------------------

void mainAsync(Task task) { enqueueMain(Clock::duration::zero(), std::move(task)); }

void mainAsyncAfter(Clock::duration delay, Task task) { enqueueMain(delay, std::move(task)); }

bool isMainThread() { return mainState().mainThread.load() == std::this_thread::get_id(); }

namespace MainQueue {

void bindMainThread() { mainState().mainThread.store(std::this_thread::get_id()); }

std::size_t runDueTasks() {
    if (!isMainThread()) {
        systemLog("Vellumark: main-queue tasks asked to run off the main thread; none run");
        return 0;
    }
    MainState& state = mainState();
    std::size_t ran = 0;
    for (int pass = 0; pass < mainQueuePasses; ++pass) {
        std::size_t ranThisPass = 0;
        std::unique_lock lock(state.mutex);
        const Schedule::Cutoff cutoff = state.schedule.cutoffNow();
        while (std::optional<Task> task = state.schedule.takeDue(cutoff)) {
            lock.unlock();
            runGuarded(*task);
            task.reset();
            ++ranThisPass;
            lock.lock();
        }
        ran += ranThisPass;
        if (ranThisPass == 0) break;
    }
    return ran;
}

std::optional<Clock::duration> timeUntilNextTask() {
    MainState& state = mainState();
    std::optional<Clock::time_point> next;
    {
        std::lock_guard lock(state.mutex);
        next = state.schedule.nextReadyAt();
    }
    if (!next) return std::nullopt;
    return std::max(*next - Clock::now(), Clock::duration::zero());
}

void setWakeHandler(std::function<void()> handler) {
    if (insideWakeHandler) {
        // The lock is ours already and the running handler cannot be swapped out from under itself.
        systemLog("Vellumark: the main queue's wake handler cannot be replaced from inside itself");
        return;
    }
    MainState& state = mainState();
    {
        std::lock_guard lock(state.wakeMutex);
        std::swap(state.wakeHandler, handler);
    }
    // `handler` now holds the old one, destroyed here outside the lock: its captures may queue work.
}

void reset() {
    MainState& state = mainState();
    std::vector<Task> dropped;
    {
        std::lock_guard lock(state.mutex);
        dropped = state.schedule.takeAll();
    }
}

}  // namespace MainQueue

namespace MainLoop {

namespace {
// How often runUntil looks at its condition while no task arrives.
constexpr Clock::duration conditionRecheck = std::chrono::milliseconds(10);
}  // namespace

bool runUntil(const std::function<bool()>& done, Clock::duration timeout) {
    MainQueue::bindMainThread();
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = timeout <= Clock::duration::zero()            ? start
                                  : timeout >= Clock::time_point::max() - start ? Clock::time_point::max()
                                                                                : start + timeout;
    MainState& state = mainState();
    for (;;) {
        MainQueue::runDueTasks();
        if (done()) return true;

        std::unique_lock lock(state.mutex);
        const Clock::time_point now = Clock::now();
        if (now >= end) return false;
        // A deadline already passed (more due work than one call takes) makes this wait return at once.
        // The condition may watch what no task changes (a child's exit, a file another process
        // writes), so the wait never outlasts the recheck interval either.
        const std::optional<Clock::time_point> next = state.schedule.nextReadyAt();
        const Clock::time_point recheckAt = now + conditionRecheck;
        const Clock::time_point wakeAt = std::min({next.value_or(end), end, recheckAt});
        const std::uint64_t seen = state.schedule.queuedCount();
        state.changed.wait_until(lock, waitLimit(wakeAt), [&] { return state.schedule.queuedCount() != seen; });
    }
}

void runFor(Clock::duration duration) {
    runUntil([] { return false; }, duration);
}

}  // namespace MainLoop

// --- global queues ----------------------------------------------------------------------------

void globalAsync(QoS qos, Task task) {
    if (!task) return;
    globalPool(qos).async(std::move(task));
}

void globalAsyncAfter(QoS qos, Clock::duration delay, Task task) {
    if (!task) return;
    globalTimer().asyncAfter(delay, [qos, task = std::move(task)]() mutable { globalAsync(qos, std::move(task)); });
}

// --- serial queues ----------------------------------------------------------------------------

// The quality of service is the caller's statement of intent; the thread runs at normal priority
// for the same reason the pools do (see Pool).
struct SerialQueue::State {
    explicit State(std::string queueLabel) : label(std::move(queueLabel)) {}

    void work() {
        workerThread.store(std::this_thread::get_id());
        nameCurrentThread(label);
        std::unique_lock lock(mutex);
        for (;;) {
            const Schedule::Cutoff cutoff = stopping ? stopCutoff : Schedule::openCutoff();
            if (std::optional<Task> task = schedule.takeDue(cutoff)) {
                lock.unlock();
                runGuarded(*task);
                task.reset();
                lock.lock();
                continue;
            }
            if (stopping) break;
            const std::optional<Clock::time_point> next = schedule.nextReadyAt();
            const std::uint64_t seen = schedule.queuedCount();
            auto newWork = [&] { return stopping || schedule.queuedCount() != seen; };
            if (next) {
                changed.wait_until(lock, waitLimit(*next), newWork);
            } else {
                changed.wait(lock, newWork);
            }
        }
        std::vector<Task> dropped = schedule.takeAll();
        lock.unlock();
    }

    const std::string label;
    std::thread worker;
    std::atomic<std::thread::id> workerThread{};

    std::mutex mutex;
    std::condition_variable changed;
    Schedule schedule;
    bool stopping = false;
    // Set when the queue is destroyed: the tasks then due and already queued still run.
    Schedule::Cutoff stopCutoff{};
};

SerialQueue::SerialQueue(std::string label, [[maybe_unused]] QoS qos)
    : state_(std::make_shared<State>(std::move(label))) {
    // The thread keeps the state alive itself, so a queue destroyed by one of its own tasks can
    // leave the rest of the work to it.
    state_->worker = std::thread([state = state_] { state->work(); });
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        state_->stopCutoff = state_->schedule.cutoffNow();
    }
    state_->changed.notify_all();
    if (std::this_thread::get_id() == state_->workerThread.load()) {
        // Joining ourselves would never return; the worker finishes once this task returns.
        state_->worker.detach();
    } else {
        state_->worker.join();
    }
}

void SerialQueue::async(Task task) { asyncAfter(Clock::duration::zero(), std::move(task)); }

void SerialQueue::asyncAfter(Clock::duration delay, Task task) {
    if (!task) return;
    {
        std::lock_guard lock(state_->mutex);
        state_->schedule.add(delay, std::move(task));
    }
    state_->changed.notify_all();
}

void SerialQueue::sync(const Task& task) {
    if (!task) return;
    if (std::this_thread::get_id() == state_->workerThread.load()) {
        // Waiting for ourselves would deadlock: the caller already holds the queue, so run it here.
        runGuarded(task);
        return;
    }
    auto finished = std::make_shared<std::promise<void>>();
    std::future<void> waiter = finished->get_future();
    // Should the queue ever drop the task unrun, the promise goes with it and the wait still ends.
    async([&task, finished] {
        runGuarded(task);
        finished->set_value();
    });
    waiter.wait();
}

const std::string& SerialQueue::label() const { return state_->label; }

}  // namespace Platform::Dispatch
