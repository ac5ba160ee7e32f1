#include "App/Shell/WidgetCommandInbox.h"

#include <QPointer>

#include <algorithm>
#include <string>

#include "Core/Control/WidgetCommandExecutor.h"
#include "Platform/Dispatch.h"
#include "Platform/SystemLog.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"

namespace {

namespace Dispatch = Platform::Dispatch;

// The main thread waits this long at most for the widget to finish its append; when it could not
// wait long enough, it tries again without waiting. A widget stopped while it holds the lock so
// costs the main thread nothing.
constexpr std::chrono::milliseconds drainPatience{50};

}  // namespace

WidgetCommandInbox::WidgetCommandInbox(std::chrono::milliseconds longestRetry, std::function<void()> executed,
                                       QObject* parent)
    : QObject(parent), longestRetry_(longestRetry), executed_(std::move(executed)) {}

WidgetCommandInbox::~WidgetCommandInbox() = default;

void WidgetCommandInbox::open() {
    // The callback may come on any thread.
    QPointer<WidgetCommandInbox> weak(this);
    observation_ = Platform::NotifyCenter::observe(std::string(WidgetCommandQueue::notificationName), [weak] {
        Dispatch::mainAsync([weak] {
            if (weak) weak->drain();
        });
    });
    drain();
}

void WidgetCommandInbox::drain() { drain(drainPatience); }

void WidgetCommandInbox::drain(std::chrono::milliseconds patience) {
    WidgetCommandQueue::Drained drained = WidgetCommandQueue::tryDrain(patience);
    if (drained.busy) {
        retryBusyDrain();
        return;
    }
    queueBusy_ = false;
    drainRetryDelay_ = firstDrainRetry;
    if (drained.batches.empty()) return;
    WidgetCommandExecutor::execute(drained.batches);
    if (executed_) executed_();
}

void WidgetCommandInbox::retryBusyDrain() {
    if (!queueBusy_) Platform::systemLog("Vellumark: widget command queue is busy; draining it again shortly");
    queueBusy_ = true;
    if (drainRetryPending_) return;
    drainRetryPending_ = true;
    const std::chrono::milliseconds delay = drainRetryDelay_;
    drainRetryDelay_ = std::min(drainRetryDelay_ * 2, longestRetry_);
    QPointer<WidgetCommandInbox> weak(this);
    Dispatch::mainAsyncAfter(delay, [weak] {
        if (!weak) return;
        weak->drainRetryPending_ = false;
        weak->drain(std::chrono::milliseconds::zero());
    });
}
