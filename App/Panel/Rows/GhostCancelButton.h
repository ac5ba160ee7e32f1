#pragma once
// Cancels a restart in progress and leaves the server stopped (RestartTracker::cancel). Shown by a
// ghost row, and by a server row whose restart has not yet seen the old process go. Main thread only.

#include "App/Panel/Controls/IconButton.h"
#include "Core/Restart/RestartEntry.h"

class GhostCancelButton : public IconButton {
    Q_OBJECT
public:
    explicit GhostCancelButton(RestartEntry::ID entryID, QWidget* parent = nullptr);

    void setEntryID(RestartEntry::ID entryID) { entryID_ = std::move(entryID); }
    const RestartEntry::ID& entryID() const { return entryID_; }

private:
    RestartEntry::ID entryID_;
};
