#pragma once
// Puts the status icon into the desktop's tray. At login the tray host may start after the
// application, so a missing tray is looked for again a few times in quick succession; after that
// the application says once that it runs without a tray icon, and goes on looking, less often, for
// as long as it runs: a tray started later (a panel restarted, a tray host installed) still gets
// the icon. Without a tray the application keeps scanning and serving the widget.

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class QSystemTrayIcon;

// How often to look for a tray that is not there yet.
struct TrayRetry {
    std::chrono::milliseconds interval{2000};
    int attempts = 15;  // after the first one: half a minute in all by default
    // Once those attempts are used up, until a tray turns up.
    std::chrono::milliseconds patientInterval{30000};
};

class TrayAttachment : public QObject {
    Q_OBJECT

public:
    using Retry = TrayRetry;
    // QSystemTrayIcon::isSystemTrayAvailable unless replaced (tests).
    using Availability = std::function<bool()>;

    TrayAttachment(QSystemTrayIcon& icon, Retry retry = {}, Availability available = {}, QObject* parent = nullptr);

    // Shows the icon now when a tray is there, else keeps looking until one is.
    void start();
    bool isAttached() const { return attached_; }
    // True from start() until a tray is found.
    bool isLooking() const { return timer_.isActive(); }
    // The quick attempts are used up: looking at the patient interval now.
    bool isLookingPatiently() const { return patient_; }

signals:
    void attached();

private:
    void attempt();

    QSystemTrayIcon& icon_;
    Retry retry_;
    Availability available_;
    QTimer timer_;
    int attemptsLeft_ = 0;
    bool attached_ = false;
    bool patient_ = false;
};
