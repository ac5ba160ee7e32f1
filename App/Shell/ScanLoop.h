#pragma once
// The 5-second scan loop that keeps "snapshot.json" current. Each scan runs on the serial scan queue
// and writes the snapshot there; back on the main thread the owner hears that it was written, then
// the restart tracker reconciles with it, the trackers behind the badges and the tray icon are fed,
// and the owner hears of the projects.
//
// At most one scan is outstanding: a tick (or a refresh) while one runs is dropped, not queued. A
// tick while a menu is open waits instead, and refreshes once the menu has closed: no scan, snapshot
// write or icon change under an open menu. A scan that fails changes nothing; a later tick's scan
// tries again.
//
// Main thread only, except the scan and the snapshot write, which touch none of the loop's fields.

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/Dispatch.h"
#include "Platform/ISO8601.h"
#include "Shared/DevProject.h"

class QTimer;

class ScanLoop : public QObject {
    Q_OBJECT

public:
    // What one scan runs, the loop's and the panel's: ProcessScanner::scan unless replaced (tests).
    // None when the scan failed: the snapshot, the trackers and the owner then keep what they had
    // until a later scan succeeds.
    using ScanFunction = std::function<std::optional<std::vector<DevProject>>()>;
    // What the owner hears of a successful scan, on the main thread while the loop exists.
    struct Listeners {
        // The snapshot is written, with this time; the trackers have not heard of the scan yet.
        std::function<void(Platform::Date)> snapshotWritten;
        // The trackers have heard of the scan; these are its projects.
        std::function<void(const std::vector<DevProject>&)> scanFinished;
    };

    static constexpr double interval = 5.0;  // seconds between loop scans
    // How often a tick held back by an open menu looks whether the menu has closed.
    static constexpr std::chrono::milliseconds heldTickRecheck{200};
    static constexpr const char* scanQueueLabel = "io.kestrow.v3lk.scan";

    ScanLoop(ScanFunction scan, Listeners listeners, QObject* parent = nullptr);
    ~ScanLoop() override;
    ScanLoop(const ScanLoop&) = delete;
    ScanLoop& operator=(const ScanLoop&) = delete;

    // Scans now and then every `interval` seconds.
    void start();
    // Starts one scan unless one is in flight.
    void refresh();
    // The timer's action: refresh, or, while a menu is open, refresh once it has closed.
    void tick();
    // A tick is waiting for an open menu to close.
    bool isTickHeld() const { return tickHeld_; }
    bool scanInFlight() const { return scanInFlight_; }
    bool isRunning() const;
    const ScanFunction& scanFunction() const { return scan_; }

private:
    void recheckHeldTick();

    ScanFunction scan_;
    Listeners listeners_;
    std::unique_ptr<QTimer> timer_;
    bool scanInFlight_ = false;
    bool tickHeld_ = false;
    // Last, so it is destroyed first: a scan still running is waited for while everything else exists.
    Platform::Dispatch::SerialQueue scanQueue_{scanQueueLabel, Platform::Dispatch::QoS::utility};
};
