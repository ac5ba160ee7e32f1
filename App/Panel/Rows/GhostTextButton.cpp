#include "App/Panel/Rows/GhostTextButton.h"

#include "App/Panel/Controls/ButtonLooks.h"

GhostTextButton::GhostTextButton(const QString& title, std::function<void()> action, QWidget* parent)
    : TextButton(title, ButtonLooks::ghostText(), parent) {
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) action();
    });
}
