#pragma once
// A ghost row's small text button ("retry", "dismiss"): the title as given, its action on click,
// no tool tip. Main thread only.

#include <functional>

#include "App/Panel/Controls/TextButton.h"

class GhostTextButton : public TextButton {
    Q_OBJECT
public:
    GhostTextButton(const QString& title, std::function<void()> action, QWidget* parent = nullptr);
};
