#pragma once
// "Stop all" in a project header. clicked() is its action; the owner gives the reason it is
// disabled, if any, which then also becomes its tool tip. Main thread only.

#include "App/Panel/Controls/TextButton.h"

class StopAllButton : public TextButton {
    Q_OBJECT
public:
    explicit StopAllButton(QWidget* parent = nullptr);

    // Present: disabled, with the reason as its tool tip.
    void setDisabledReason(const std::optional<QString>& reason);
};
