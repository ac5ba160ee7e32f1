#include "App/Panel/Controls/StopAllButton.h"

#include "App/Panel/Controls/ButtonLooks.h"

StopAllButton::StopAllButton(QWidget* parent) : TextButton(QStringLiteral("Stop all"), ButtonLooks::stopAll(), parent) {
    setDisabledReason(std::nullopt);
}

void StopAllButton::setDisabledReason(const std::optional<QString>& reason) {
    HoverButton::setDisabledReason(reason, QStringLiteral("Stop every server in this project"));
}
