#pragma once
// The panel's local key monitor: while the popover is shown, it sees every key press the application
// receives before the focused control does. Installed when the popover shows and removed when it
// closes; holding one is the monitor's token.

#include <QObject>

class KeyMonitor : public QObject {
    Q_OBJECT

public:
    // Starts watching the application's key presses.
    KeyMonitor();
    // Stops watching.
    ~KeyMonitor() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
