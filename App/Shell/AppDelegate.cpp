#include "App/Shell/AppDelegate.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>
#include <chrono>

#include "App/Common/ShortcutNames.h"
#include "App/Onboarding/OnboardingWindowController.h"
#include "App/Panel/MenuContentView.h"
#include "App/Shell/KeyEquivalents.h"
#include "App/Shell/KeyMonitor.h"
#include "App/Shell/Popover.h"
#include "App/Shell/TrayAttachment.h"
#include "App/StatusTile/ReducedMotion.h"
#include "App/Updates/AppUpdater.h"
#include "Core/Control/WidgetCommandExecutor.h"
#include "Core/Discovery/ProcessScanner.h"
#include "Core/PanelModel/KeyNav.h"
#include "Core/Restart/RestartTracker.h"
#include "Core/Trackers/BadgeTrackers.h"
#include "Core/Trackers/EnergyMonitor.h"
#include "Core/Trackers/NewServerTracker.h"
#include "GlobalShortcuts/GlobalShortcuts.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"
#include "Shared/ProcessSnapshot.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "Shared/Store/DataStore.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"

namespace {

namespace Dispatch = Platform::Dispatch;

// True exactly once per user: on the application's first launch.
bool recordLaunch() {
    Platform::UserDefaults& defaults = Platform::UserDefaults::standard();
    if (defaults.boolean(AppDelegate::launchedBeforeKey).value_or(false)) return false;
    defaults.set(AppDelegate::launchedBeforeKey, true);
    return true;
}

}  // namespace

QPointer<AppDelegate> AppDelegate::shared_;

AppDelegate::AppDelegate(ScanFunction scan, QObject* parent)
    : QObject(parent), popover_(std::make_unique<Popover>()), scan_(std::move(scan)) {
    if (!scan_) scan_ = &ProcessScanner::scan;
}

AppDelegate::~AppDelegate() {
    // Destroying a shown popover hides it, and its close must not reach a half-destroyed delegate.
    popover_->disconnect(this);
}

AppDelegate* AppDelegate::shared() { return shared_.data(); }

void AppDelegate::applicationDidFinishLaunching() {
    shared_ = this;
    AppUpdater::shared();
    setupStatusItem();
    keyEquivalents_ = std::make_unique<KeyEquivalents>(popover_.get());

    // The global shortcut toggles the panel on release. Making the name stores its default on the
    // first launch.
    QPointer<AppDelegate> weakDelegate(this);
    GlobalShortcuts::onKeyUp(ShortcutNames::togglePopoverName(), [weakDelegate] {
        if (weakDelegate) weakDelegate->togglePopover(nullptr);
    });

    // The widget posts this after every command it queues; the callback may come on any thread.
    widgetCommandObservation_ = Platform::NotifyCenter::observe(std::string(WidgetCommandQueue::notificationName), [] {
        Dispatch::mainAsync(&AppDelegate::runWidgetCommands);
    });

    // Commands queued while the application was not running go first; their refresh is then the
    // launch's first scan.
    runWidgetCommands();

    if (recordLaunch()) OnboardingWindowController::shared().show();

    refresh();

    timer_ = std::make_unique<QTimer>();
    timer_->setInterval(std::chrono::milliseconds(static_cast<int>(interval * 1000)));
    QPointer<AppDelegate> weak(this);
    connect(timer_.get(), &QTimer::timeout, this, [weak] {
        if (weak) weak->tick();
    });
    timer_->start();
}

namespace {

bool menuIsTracked() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }

}  // namespace

void AppDelegate::tick() {
    // The loop keeps still while a menu is being tracked: no scan, snapshot write or icon change
    // under an open menu. The tick is not lost, though: its scan starts once the menu has closed.
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

void AppDelegate::recheckHeldTick() {
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

bool AppDelegate::isLoopRunning() const { return timer_ && timer_->isActive(); }

void AppDelegate::setupStatusItem() {
    // The panel's own scans end like the loop's: the delegate's projects and the tray icon follow.
    PanelModel::Environment panelEnvironment;
    panelEnvironment.scan = scan_;
    QPointer<AppDelegate> weak(this);
    panelEnvironment.scanFinished = [weak](const std::vector<DevProject>& projects) {
        if (!weak) return;
        weak->lastProjects_ = projects;
        weak->updateStatusTile();
    };
    auto* panel = new MenuContentView(std::move(panelEnvironment), &ReducedMotion::lastKnown);
    popover_->setContentView(panel);
    connect(popover_.get(), &Popover::didShow, this, &AppDelegate::popoverDidShow);
    connect(popover_.get(), &Popover::didClose, this, &AppDelegate::popoverDidClose);

    statusItem_ = std::make_unique<QSystemTrayIcon>();
    QSystemTrayIcon* button = statusItem_.get();
    connect(button, &QSystemTrayIcon::activated, this, [this, button](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) togglePopover(button);
    });
    statusController_ = std::make_unique<StatusItemController>(button);
    statusController_->apply(StatusTile::State::idle, StatusTile::Inputs{}, false);

    trayAttachment_ = std::make_unique<TrayAttachment>(*button);
    connect(trayAttachment_.get(), &TrayAttachment::attached, statusController_.get(),
            &StatusItemController::publishAccessibilityLabel);
    trayAttachment_->start();
}

void AppDelegate::togglePopover(QObject* sender) {
    if (!statusItem_) return;
    if (popover_->isShown()) {
        popover_->performClose();
        return;
    }
    // Opening the panel ends the new-server highlight.
    NewServerTracker::shared().markAllNotified();
    updateStatusTile();

    popover_->showRelativeTo(popoverAnchor(sender));
    popover_->raise();
    popover_->activateWindow();
    // The panel opens for reading: its search field must not take the first key press.
    QPointer<Popover> popover(popover_.get());
    Dispatch::mainAsync([popover] {
        if (!popover) return;
        if (QWidget* focused = popover->focusWidget()) focused->clearFocus();
    });
}

std::optional<QRect> AppDelegate::popoverAnchor(QObject* sender) const {
    const QRect icon = statusItem_ && statusItem_->isVisible() ? statusItem_->geometry() : QRect();
    if (icon.isValid() && !icon.isEmpty()) return icon;
    // A tray that keeps the icon's place to itself: open where the user clicked.
    if (sender) return QRect(QCursor::pos(), QSize(1, 1));
    return std::nullopt;
}

void AppDelegate::popoverDidShow() {
    KeyNav::shared().clearSelection();
    installKeyMonitor();
}

void AppDelegate::popoverDidClose() {
    removeKeyMonitor();
    KeyNav::shared().clearSelection();
}

void AppDelegate::installKeyMonitor() {
    if (keyMonitor_) return;
    // While the panel's one-time warning card is shown, every key is the card's.
    QPointer<MenuContentView> panel(qobject_cast<MenuContentView*>(popover_->contentView()));
    keyMonitor_ = std::make_unique<KeyMonitor>(KeyNav::shared(), popover_.get(),
                                               [panel] { return panel && panel->isShowingWarning(); });
}

void AppDelegate::removeKeyMonitor() { keyMonitor_.reset(); }

void AppDelegate::refresh() {
    if (scanInFlight_) return;
    scanInFlight_ = true;
    QPointer<AppDelegate> weak(this);
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
                // The panel shows this scan before the trackers hear of it, so that no row of an older
                // list meets a tracker that has let go of its server (a stopped one would look running).
                if (auto* panel = qobject_cast<MenuContentView*>(weak->popover_->contentView()))
                    panel->snapshotWritten(now);
            }
            RestartTracker::shared().reconcile(projects, now, RestartTracker::relaunchTimeout,
                                               RestartTracker::pillDuration);
            feedBadgeTrackers(projects);
            if (weak) {
                weak->lastProjects_ = projects;
                weak->updateStatusTile();
            }
        });
    });
}

void AppDelegate::updateStatusTile() {
    if (!statusController_) return;
    const StatusTile::Derivation derivation = StatusTile::derive(
        lastProjects_, DisplayPrefs::load(AppGroup::sharedDefaults()), NewServerTracker::shared(),
        EnergyMonitor::shared(), popover_->isShown(), statusController_->state(), std::chrono::system_clock::now());
    statusController_->apply(derivation.state, derivation.inputs, derivation.pulse);
}

void AppDelegate::feedBadgeTrackers(const std::vector<DevProject>& projects) { BadgeTrackers::feed(projects); }

namespace {

// The main thread waits this long at most for the widget to finish its append...
constexpr std::chrono::milliseconds drainPatience{50};
// ...and, when it could not wait long enough, tries again without waiting: firstDrainRetry later,
// then twice as late each time the queue is still busy, but never later than the next loop tick.
// A widget stopped while it holds the lock so costs the main thread nothing.
constexpr std::chrono::milliseconds longestDrainRetry{static_cast<int>(AppDelegate::interval * 1000)};

}  // namespace

void AppDelegate::runWidgetCommands() { drainWidgetCommands(drainPatience); }

void AppDelegate::drainWidgetCommands(std::chrono::milliseconds patience) {
    AppDelegate* delegate = shared();
    if (!delegate) return;
    WidgetCommandQueue::Drained drained = WidgetCommandQueue::tryDrain(patience);
    if (drained.busy) {
        delegate->retryBusyDrain();
        return;
    }
    delegate->queueBusy_ = false;
    delegate->drainRetryDelay_ = firstDrainRetry;
    if (drained.batches.empty()) return;
    WidgetCommandExecutor::execute(drained.batches);
    // Dropped while a loop scan runs: the change then shows after the next tick.
    delegate->refresh();
}

void AppDelegate::retryBusyDrain() {
    // The notification that brought us here is answered, and it may have been the widget's last:
    // without coming back, its commands would wait for the next click. One retry at a time, and one
    // log line while the queue stays busy.
    if (!queueBusy_) Platform::systemLog("Vellumark: widget command queue is busy; draining it again shortly");
    queueBusy_ = true;
    if (drainRetryPending_) return;
    drainRetryPending_ = true;
    const std::chrono::milliseconds delay = drainRetryDelay_;
    drainRetryDelay_ = std::min(drainRetryDelay_ * 2, longestDrainRetry);
    QPointer<AppDelegate> weak(this);
    Dispatch::mainAsyncAfter(delay, [weak] {
        if (!weak) return;
        weak->drainRetryPending_ = false;
        drainWidgetCommands(std::chrono::milliseconds::zero());
    });
}
