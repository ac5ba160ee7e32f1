#pragma once
// A row's note while something happens to its server: "stopping…" or "restarting…", a spinner and,
// for a restart in progress, the button that cancels it. Main thread only.

#include <optional>

#include <QWidget>

#include "Core/Restart/RestartEntry.h"

class ActivitySpinner;
class GhostCancelButton;
class TextView;

class RowProgress : public QWidget {
    Q_OBJECT
public:
    explicit RowProgress(QWidget* parent = nullptr);

    // The note, and the restart whose cancel button shows beside it (none: no button).
    void setNote(const QString& note, const std::optional<RestartEntry::ID>& restart);

    TextView* note() const { return note_; }
    GhostCancelButton* cancelButton() const { return cancel_; }

private:
    TextView* note_;
    ActivitySpinner* spinner_;
    GhostCancelButton* cancel_;
};
