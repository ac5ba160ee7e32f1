#include "Platform/qt/MainQueueDriver.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "Platform/Dispatch.h"

namespace Platform {
namespace {

class MainQueuePump;

// The pump the main queue's wake handler points at. GUI thread only.
MainQueuePump* currentPump = nullptr;

// Lives on the GUI thread, owned by the application object. A wake-up posted from any thread
// drains the due tasks, then re-arms a single timer for the earliest delayed task.
class MainQueuePump : public QObject {
    Q_OBJECT
public:
    explicit MainQueuePump(QObject* parent) : QObject(parent) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, [this] { pump(); });
    }

    // The application object can go without its event loop ever ending (no aboutToQuit), while
    // worker threads still queue main-queue work. Once the handler is cleared no worker is inside
    // wake() or will enter it, so the pump may go. A newer pump keeps its own handler.
    ~MainQueuePump() override {
        if (currentPump != this) return;
        Dispatch::MainQueue::setWakeHandler(nullptr);
        currentPump = nullptr;
    }

    // Any thread. Coalesces bursts of wake-ups into one queued call; never runs a task itself, so
    // it is safe under the main queue's wake lock. The call is queued by the slot's name: Qt then
    // makes and reads the queued call itself, where a functor would be made on this thread and read
    // on the main one across Qt's lock, a hand-over the thread sanitizer cannot follow.
    void wake() {
        if (wakePending_.exchange(true)) return;
        QMetaObject::invokeMethod(this, "pump", Qt::QueuedConnection);
    }

private slots:
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

private:
    QTimer timer_;
    std::atomic<bool> wakePending_{false};
};

}  // namespace

void installMainQueueDriver(QCoreApplication& application) {
    Dispatch::MainQueue::bindMainThread();
    auto* pump = new MainQueuePump(&application);
    currentPump = pump;
    Dispatch::MainQueue::setWakeHandler([pump] { pump->wake(); });
    pump->wake();  // tasks queued before the driver existed
}

}  // namespace Platform

#include "MainQueueDriver.moc"
