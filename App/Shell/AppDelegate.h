#pragma once
// The application's spine. At launch it builds the tray icon and the popover, puts the gear menu's
// key equivalents in place, opens the widget's command inbox (which drains the commands queued while
// the application was not running), and starts the scan loop that keeps "snapshot.json" current; the
// tray icon follows every finished scan, the loop's and the panel's. While the panel is shown, the
// key monitor gives its keys to the keyboard selection.
//
// Main thread only (ScanLoop.h says where its scans run).

#include <QObject>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>
#include <vector>

#include "App/Shell/ScanLoop.h"
#include "App/StatusTile/StatusItemController.h"
#include "Shared/DevProject.h"

class KeyEquivalents;
class KeyMonitor;
class Popover;
class QSystemTrayIcon;
class TrayAttachment;
class WidgetCommandInbox;

class AppDelegate : public QObject {
    Q_OBJECT

public:
    // Standard-defaults flag: set once the application has launched.
    static constexpr const char* launchedBeforeKey = "hasLaunchedBefore";

    // `scan` is what each loop scan runs (see ScanLoop::ScanFunction).
    explicit AppDelegate(ScanLoop::ScanFunction scan = {}, QObject* parent = nullptr);
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
    // Shows on the tray icon what lastProjects, the display preferences and the trackers say.
    void updateStatusTile();
    void installKeyMonitor();
    void removeKeyMonitor();

    // Projects of the last finished scan, the loop's or the panel's.
    const std::vector<DevProject>& lastProjects() const { return lastProjects_; }
    void setLastProjects(std::vector<DevProject> projects) { lastProjects_ = std::move(projects); }

    QSystemTrayIcon* statusItem() const { return statusItem_.get(); }
    StatusItemController* statusController() const { return statusController_.get(); }
    Popover& popover() const { return *popover_; }
    ScanLoop& scanLoop() const { return *scanLoop_; }
    bool hasKeyMonitor() const { return keyMonitor_ != nullptr; }

private:
    std::optional<QRect> popoverAnchor(QObject* sender) const;

    static QPointer<AppDelegate> shared_;

    std::unique_ptr<QSystemTrayIcon> statusItem_;
    std::unique_ptr<StatusItemController> statusController_;
    std::vector<DevProject> lastProjects_;
    std::unique_ptr<Popover> popover_;
    std::unique_ptr<KeyMonitor> keyMonitor_;
    std::unique_ptr<KeyEquivalents> keyEquivalents_;
    std::unique_ptr<TrayAttachment> trayAttachment_;
    std::unique_ptr<WidgetCommandInbox> widgetCommands_;
    // Last, so it is destroyed first: a scan still running is waited for while everything else exists.
    std::unique_ptr<ScanLoop> scanLoop_;
};
