#pragma once
// A row's stop button: clicked() opens the row's stop confirmation. Disabled, with the reason as its
// tool tip, for a server that the system keeps alive. Main thread only.

#include "App/Panel/Controls/IconButton.h"

class KillArmButton : public IconButton {
    Q_OBJECT
public:
    explicit KillArmButton(QWidget* parent = nullptr);

    // Present: disabled, and the reason is the tool tip.
    void setDisabledReason(const std::optional<QString>& reason);
};
