#include "App/Panel/Rows/RestartServerButton.h"

RestartServerButton::RestartServerButton(const std::string& command, QWidget* parent)
    : IconButton("ph-arrow-clockwise-light", QSizeF(13, 13), QSize(24, 24),
                 {.normal = Tint::secondary(), .hovered = Tint::accent()}, parent) {
    setCommand(command);
}

void RestartServerButton::setCommand(const std::string& command) {
    if (command_ == command && !toolTip().isEmpty()) return;
    command_ = command;
    const QString name = QString::fromStdString(command_);
    setHelp(QStringLiteral("Restart ") + name + QStringLiteral(" (stop, then relaunch in its folder)"),
            QStringLiteral("Restart ") + name);
}
