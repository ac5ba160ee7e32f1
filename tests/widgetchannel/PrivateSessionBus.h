#pragma once
// A D-Bus session bus of the test program's own (dbus-daemon with no activatable services), so the
// workspace tests never reach the developer's desktop or start a real file manager. Without
// dbus-daemon, DBUS_SESSION_BUS_ADDRESS points nowhere and the session bus stays unconnected.

#include <QString>

#include <sys/types.h>

namespace widgetchannel_tests {

class PrivateSessionBus {
public:
    // Sets DBUS_SESSION_BUS_ADDRESS; create it before anything touches the session bus.
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // The one of this program, while it lives; null before.
    static const PrivateSessionBus* current();

    bool isRunning() const { return daemon_ > 0; }
    const QString& address() const { return address_; }

private:
    pid_t daemon_ = -1;
    QString address_;
    QString folder_;
};

}  // namespace widgetchannel_tests
