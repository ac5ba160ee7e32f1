#pragma once
// Puts the status icon into the desktop's tray. At login the tray host may start after the
// application, so a missing tray is looked for again a few times before giving up; without a tray
// the application keeps scanning and serving the widget, only without an icon.

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class QSystemTrayIcon;

// How long to keep looking for a tray that is not there yet.
struct TrayRetry {
    std::chrono::milliseconds interval{2000};
    int attempts = 15;  // after the first one: half a minute in all by default
};

class TrayAttachment : public QObject {
    Q_OBJECT

public:
    using Retry = TrayRetry;
    // QSystemTrayIcon::isSystemTrayAvailable unless replaced (tests).
    using Availability = std::function<bool()>;

    TrayAttachment(QSystemTrayIcon& icon, Retry retry = {}, Availability available = {}, QObject* parent = nullptr);

    // Shows the icon now when a tray is there, else keeps looking.
    void start();
    bool isAttached() const { return attached_; }
    bool isLooking() const { return timer_.isActive(); }

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
};
