#pragma once
// The row that stands in for a server while it is being restarted (its old process gone, the new one
// not yet found) or after its restart failed: port, command, phase, and either a spinner with a
// cancel button or "retry" and "dismiss". Drawn faded while in progress.
//
// Built from one restart entry and refilled in place with setEntry, so the list keeps one ghost row
// per entry id across reloads. Its buttons act on the shared restart tracker and restarter.
// Main thread only.

#include <QWidget>

#include "Core/Restart/RestartEntry.h"

class ActivitySpinner;
class GhostCancelButton;
class GhostTextButton;
class TextView;

class GhostRow : public QWidget {
    Q_OBJECT
public:
    static constexpr double inProgressOpacity = 0.7;

    explicit GhostRow(const RestartEntry& entry, QWidget* parent = nullptr);

    void setEntry(const RestartEntry& entry);
    const RestartEntry& entry() const { return entry_; }

    // ":<first port>", or ":?" without ports.
    static QString portText(const RestartEntry& entry);
    // "stopping…", "restarting…", or the failure message.
    static QString phaseText(const RestartEntry::Phase& phase);
    double contentOpacity() const;

private:
    void apply();

    RestartEntry entry_;
    TextView* port_;
    TextView* command_;
    TextView* phase_;
    QWidget* progress_;
    ActivitySpinner* spinner_;
    GhostCancelButton* cancel_;
    QWidget* failed_;
    GhostTextButton* retry_;
    GhostTextButton* dismiss_;
};
