#pragma once
// The application's spine. At launch it builds the tray icon and the popover, puts the gear menu's
// key equivalents in place, drains the commands the widget queued while the application was not
// running, and starts the 5-second scan loop that keeps "snapshot.json" and the tray icon current;
// afterwards it executes widget commands whenever the widget posts its notification.
//
// Threads: everything here runs on the main thread except the loop's scan and snapshot write, which
// run on the serial scan queue and touch none of the delegate's fields. At most one loop scan is
// outstanding: a tick (or a widget command's refresh) while one runs is dropped, not queued. A tick
// while a menu is open waits instead, and refreshes once the menu has closed.

#include <QObject>
#include <QPointer>
#include <QRect>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "App/StatusTile/StatusItemController.h"
#include "Platform/Dispatch.h"
#include "Platform/NotifyCenter.h"
#include "Shared/DevProject.h"

class KeyEquivalents;
class KeyMonitor;
class Popover;
class QSystemTrayIcon;
class QTimer;
class TrayAttachment;

class AppDelegate : public QObject {
    Q_OBJECT

public:
    // What one scan runs, the loop's and the panel's: ProcessScanner::scan unless replaced (tests).
    // None when the scan failed: the snapshot, the trackers and the tray icon then keep what they had
    // until a later scan succeeds.
    using ScanFunction = std::function<std::optional<std::vector<DevProject>>()>;

    static constexpr double interval = 5.0;  // seconds between loop scans
    // How often a tick held back by an open menu looks whether the menu has closed.
    static constexpr std::chrono::milliseconds heldTickRecheck{200};
    static constexpr const char* scanQueueLabel = "io.kestrow.v3lk.scan";
    // Standard-defaults flag: set once the application has launched.
    static constexpr const char* launchedBeforeKey = "hasLaunchedBefore";

    explicit AppDelegate(ScanFunction scan = {}, QObject* parent = nullptr);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The delegate once launching finished; null before and after it is gone.
    static AppDelegate* shared();

    // The start-up sequence, once the application's event loop runs.
    void applicationDidFinishLaunching();
    // The tray icon's action and the shortcut's: opens the panel under the icon, or closes it.
    // `sender` is the tray icon for a click and null for the shortcut.
    void togglePopover(QObject* sender = nullptr);
    // A later launch's request: opens the panel as the shortcut does; an open panel stays open.
    void showPopover();
    void popoverDidShow();
    void popoverDidClose();

    void setupStatusItem();
    // Starts one loop scan unless one is in flight.
    void refresh();
    // The loop timer's action: refresh, or, while a menu is open, refresh once it has closed.
    void tick();
    // A tick is waiting for an open menu to close.
    bool isTickHeld() const { return tickHeld_; }
    // Shows on the tray icon what lastProjects, the display preferences and the trackers say.
    void updateStatusTile();
    void installKeyMonitor();
    void removeKeyMonitor();

    // The trackers behind the badges and the tray icon, after every scan.
    static void feedBadgeTrackers(const std::vector<DevProject>& projects);

    // Drains the widget's command queue; when commands came out, executes them in file order and
    // refreshes. A queue the widget keeps locked is drained again shortly after, until it gives way.
    // Nothing happens once the delegate is gone.
    static void runWidgetCommands();

    // Projects of the last finished scan, the loop's or the panel's.
    const std::vector<DevProject>& lastProjects() const { return lastProjects_; }
    void setLastProjects(std::vector<DevProject> projects) { lastProjects_ = std::move(projects); }

    QSystemTrayIcon* statusItem() const { return statusItem_.get(); }
    StatusItemController* statusController() const { return statusController_.get(); }
    Popover& popover() const { return *popover_; }
    bool scanInFlight() const { return scanInFlight_; }
    bool hasKeyMonitor() const { return keyMonitor_ != nullptr; }
    bool isLoopRunning() const;

private:
    std::optional<QRect> popoverAnchor(QObject* sender) const;
    void recheckHeldTick();
    static constexpr std::chrono::milliseconds firstDrainRetry{100};
    static void drainWidgetCommands(std::chrono::milliseconds patience);
    void retryBusyDrain();

    static QPointer<AppDelegate> shared_;

    std::unique_ptr<QSystemTrayIcon> statusItem_;
    std::unique_ptr<StatusItemController> statusController_;
    std::vector<DevProject> lastProjects_;
    std::unique_ptr<Popover> popover_;
    std::unique_ptr<KeyMonitor> keyMonitor_;
    std::unique_ptr<KeyEquivalents> keyEquivalents_;
    std::unique_ptr<QTimer> timer_;
    ScanFunction scan_;
    std::unique_ptr<TrayAttachment> trayAttachment_;
    Platform::NotifyCenter::Observation widgetCommandObservation_;
    bool scanInFlight_ = false;
    bool tickHeld_ = false;
    bool queueBusy_ = false;                                       // the last drain found the widget's queue locked
    bool drainRetryPending_ = false;                               // a drain of a busy queue is scheduled
    std::chrono::milliseconds drainRetryDelay_ = firstDrainRetry;  // until the next drain of a busy queue
    // Last, so it is destroyed first: a scan still running is waited for while everything else exists.
    Platform::Dispatch::SerialQueue scanQueue_{scanQueueLabel, Platform::Dispatch::QoS::utility};
};
