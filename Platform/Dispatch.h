#pragma once
// Work queues in the manner the system expects: one main queue, global concurrent queues by quality
// of service, serial queues, and work after a delay.
//
// The main queue runs on one thread that some driver claims: Qt's event loop in the programs
// (the driver installs a wake handler and calls runDueTasks), or MainLoop in tests, which drives it
// on the test's own thread. Tasks on one queue start in the order they were queued (for delayed
// tasks: by deadline, then by order of queueing). A delayed task whose deadline has passed takes its
// place among the immediate tasks by that time. An empty task is ignored; a negative delay counts
// as none. A task that throws is logged ("Vellumark: uncaught exception in queued task: ...") and
// the queue goes on with the next one.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Platform::Dispatch {

using Task = std::function<void()>;
using Clock = std::chrono::steady_clock;

enum class QoS { userInteractive, userInitiated, utility, background };

// --- main queue -------------------------------------------------------------------------------
void mainAsync(Task task);
void mainAsyncAfter(Clock::duration delay, Task task);
// True on the thread that last claimed the main queue (bindMainThread).
bool isMainThread();

namespace MainQueue {
// Claims the calling thread as the main thread.
void bindMainThread();
// Runs every task that is due now, in order, and returns how many ran. The call works in passes,
// each taking what was due when it began, so work that the tasks queue meanwhile and that is due
// runs too, up to a fixed number of passes: a task that keeps queueing itself cannot hold the call
// forever, and the rest runs in the next call (which its enqueue has already asked for). Only on
// the main thread: elsewhere it logs the mistake and runs nothing.
std::size_t runDueTasks();
// Time until the earliest delayed task is due (zero when one is due now); none when nothing waits.
std::optional<Clock::duration> timeUntilNextTask();
// Called from any thread whenever a task is queued; the driver then arranges for runDueTasks to
// run on the main thread soon (or after timeUntilNextTask). Calls are serialised with each other
// and with setWakeHandler: once setWakeHandler returns, the previous handler is not running and is
// never called again, so the driver may then free what it uses. The handler should only post a
// wake-up and return; it may look at the queue or queue work (which then asks for no second wake),
// but not replace the handler, which is refused and logged.
void setWakeHandler(std::function<void()> handler);
// Drops every queued task (tests start clean). The wake handler and the main thread stay.
void reset();
}  // namespace MainQueue

// Drives the main queue on the calling thread, which becomes the main thread. For tests and
// command-line use.
namespace MainLoop {
// Runs main-queue tasks until done() is true or the timeout passes. done() is checked after each
// batch of tasks and at least every 10 ms while none arrives, so it may watch things that no task
// changes (a child process's exit, a file). Returns done()'s last value.
bool runUntil(const std::function<bool()>& done, Clock::duration timeout);
// Runs main-queue tasks for the given time.
void runFor(Clock::duration duration);
}  // namespace MainLoop

// --- global queues ----------------------------------------------------------------------------
// Tasks run concurrently on worker threads of the quality of service's pool. A task that finds no
// idle worker gets a new one (up to 64 busy workers per pool), so long blocking tasks never hold
// back later ones; idle workers end after a while.
void globalAsync(QoS qos, Task task);
void globalAsyncAfter(QoS qos, Clock::duration delay, Task task);

// --- serial queues ----------------------------------------------------------------------------
// Tasks run one at a time, in order, on a thread of the queue's own, named by the label (its first
// 15 bytes, the most Linux keeps). Destroying the queue waits for the tasks due by then to finish
// and drops the delayed ones not yet due and anything queued after destruction began; destroyed by
// one of its own tasks, it cannot wait, and its thread finishes that work once the task returns.
class SerialQueue {
public:
    SerialQueue(std::string label, QoS qos);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(Task task);
    void asyncAfter(Clock::duration delay, Task task);
    // Runs the task on the queue and waits for it, after the tasks queued before it. Called from the
    // queue's own thread, where waiting would deadlock, it runs the task right there instead.
    void sync(const Task& task);
    const std::string& label() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace Platform::Dispatch
