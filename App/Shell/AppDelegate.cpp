#include "App/Shell/AppDelegate.h"

#include <QCursor>
#include <QSystemTrayIcon>

#include <chrono>

#include "App/Common/ShortcutNames.h"
#include "App/Onboarding/OnboardingWindowController.h"
#include "App/Panel/MenuContentView.h"
#include "App/Shell/KeyEquivalents.h"
#include "App/Shell/KeyMonitor.h"
#include "App/Shell/Popover.h"
#include "App/Shell/TrayAttachment.h"
#include "App/Shell/WidgetCommandInbox.h"
#include "App/StatusTile/ReducedMotion.h"
#include "App/Updates/AppUpdater.h"
#include "Core/PanelModel/KeyNav.h"
#include "Core/Trackers/EnergyMonitor.h"
#include "Core/Trackers/NewServerTracker.h"
#include "GlobalShortcuts/GlobalShortcuts.h"
#include "Platform/Dispatch.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"

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

AppDelegate::AppDelegate(ScanLoop::ScanFunction scan, QObject* parent)
    : QObject(parent), popover_(std::make_unique<Popover>()) {
    ScanLoop::Listeners loopListeners;
    // The panel shows each scan before the trackers hear of it, so that no row of an older list meets
    // a tracker that has let go of its server (a stopped one would look running).
    loopListeners.snapshotWritten = [this](Platform::Date now) {
        if (auto* panel = qobject_cast<MenuContentView*>(popover_->contentView())) panel->snapshotWritten(now);
    };
    // Every finished scan, the loop's as the panel's, shows on the tray icon.
    loopListeners.scanFinished = [this](const std::vector<DevProject>& projects) {
        lastProjects_ = projects;
        updateStatusTile();
    };
    scanLoop_ = std::make_unique<ScanLoop>(std::move(scan), std::move(loopListeners));
    // Dropped while a loop scan runs: the change then shows after the next tick. A busy queue is
    // tried again never later than the next tick.
    widgetCommands_ = std::make_unique<WidgetCommandInbox>(
        std::chrono::milliseconds(static_cast<int>(ScanLoop::interval * 1000)), [this] { scanLoop_->refresh(); });
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

    // Commands queued while the application was not running go first; their refresh is then the
    // launch's first scan.
    widgetCommands_->open();

    if (recordLaunch()) OnboardingWindowController::shared().show();

    scanLoop_->start();
}

void AppDelegate::setupStatusItem() {
    // The panel's own scans end like the loop's: the delegate's projects and the tray icon follow.
    PanelModel::Environment panelEnvironment;
    panelEnvironment.scan = scanLoop_->scanFunction();
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

void AppDelegate::showPopover() {
    if (!popover_->isShown()) togglePopover(nullptr);
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

void AppDelegate::updateStatusTile() {
    if (!statusController_) return;
    const StatusTile::Derivation derivation = StatusTile::derive(
        lastProjects_, DisplayPrefs::load(AppGroup::sharedDefaults()), NewServerTracker::shared(),
        EnergyMonitor::shared(), popover_->isShown(), statusController_->state(), std::chrono::system_clock::now());
    statusController_->apply(derivation.state, derivation.inputs, derivation.pulse);
}
