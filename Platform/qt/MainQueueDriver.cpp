#include "Platform/qt/MainQueueDriver.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include <atomic>
#include <chrono>

#include "Platform/Dispatch.h"

namespace Platform {
namespace {

// Lives on the GUI thread. A wake-up posted from any thread drains the due tasks, then re-arms a
// single timer for the earliest delayed task.
class MainQueuePump : public QObject {
public:
    explicit MainQueuePump(QObject* parent) : QObject(parent) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, [this] { pump(); });
    }

    // Any thread. Coalesces bursts of wake-ups into one queued call.
    void wake() {
        if (wakePending_.exchange(true)) return;
        QMetaObject::invokeMethod(this, [this] { pump(); }, Qt::QueuedConnection);
    }

private:
    void pump() {
        wakePending_ = false;
        Dispatch::MainQueue::runDueTasks();
        if (auto wait = Dispatch::MainQueue::timeUntilNextTask()) {
            auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(*wait).count();
            timer_.start(static_cast<int>(std::max<long long>(0, std::min<long long>(milliseconds, 1 << 30))));
        } else {
            timer_.stop();
        }
    }

    QTimer timer_;
    std::atomic<bool> wakePending_{false};
};

}  // namespace

void installMainQueueDriver(QCoreApplication& application) {
    Dispatch::MainQueue::bindMainThread();
    auto* pump = new MainQueuePump(&application);
    Dispatch::MainQueue::setWakeHandler([pump] { pump->wake(); });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, [] { Dispatch::MainQueue::setWakeHandler(nullptr); });
    pump->wake();  // tasks queued before the driver existed
}

}  // namespace Platform
