#include "App/Shell/ScanLoop.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include "Core/Discovery/ProcessScanner.h"
#include "Core/Restart/RestartTracker.h"
#include "Core/Trackers/BadgeTrackers.h"
#include "Shared/ProcessSnapshot.h"
#include "Shared/Store/DataStore.h"

namespace {

namespace Dispatch = Platform::Dispatch;

bool menuIsTracked() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }

}  // namespace

ScanLoop::ScanLoop(ScanFunction scan, Listeners listeners, QObject* parent)
    : QObject(parent), scan_(std::move(scan)), listeners_(std::move(listeners)) {
    if (!scan_) scan_ = &ProcessScanner::scan;
}

ScanLoop::~ScanLoop() = default;

void ScanLoop::start() {
    refresh();
    timer_ = std::make_unique<QTimer>();
    timer_->setInterval(std::chrono::milliseconds(static_cast<int>(interval * 1000)));
    QPointer<ScanLoop> weak(this);
    connect(timer_.get(), &QTimer::timeout, this, [weak] {
        if (weak) weak->tick();
    });
    timer_->start();
}

void ScanLoop::tick() {
    // The tick is not lost under an open menu: its scan starts once the menu has closed.
    if (menuIsTracked()) {
        if (!tickHeld_) {
            tickHeld_ = true;
            recheckHeldTick();
        }
        return;
    }
    tickHeld_ = false;
    refresh();
}

void ScanLoop::recheckHeldTick() {
    // Menus come and go in several ways (chosen, dismissed, deleted while shown); looking again
    // now and then catches every one of them.
    QTimer::singleShot(heldTickRecheck, this, [this] {
        if (!tickHeld_) return;  // a tick after the menu closed has refreshed already
        if (menuIsTracked()) {
            recheckHeldTick();
            return;
        }
        tickHeld_ = false;
        refresh();
    });
}

bool ScanLoop::isRunning() const { return timer_ && timer_->isActive(); }

void ScanLoop::refresh() {
    if (scanInFlight_) return;
    scanInFlight_ = true;
    QPointer<ScanLoop> weak(this);
    scanQueue_.async([scan = scan_, weak] {
        std::optional<std::vector<DevProject>> scanned = scan();
        if (!scanned) {
            Dispatch::mainAsync([weak] {
                if (weak) weak->scanInFlight_ = false;
            });
            return;
        }
        std::vector<DevProject> projects = std::move(*scanned);
        const Platform::Date now = std::chrono::system_clock::now();
        DataStore::write(ProcessSnapshot{now, projects});
        Dispatch::mainAsync([weak, projects = std::move(projects), now] {
            if (weak) {
                weak->scanInFlight_ = false;
                if (weak->listeners_.snapshotWritten) weak->listeners_.snapshotWritten(now);
            }
            RestartTracker::shared().reconcile(projects, now, RestartTracker::relaunchTimeout,
                                               RestartTracker::pillDuration);
            BadgeTrackers::feed(projects);
            if (weak && weak->listeners_.scanFinished) weak->listeners_.scanFinished(projects);
        });
    });
}
