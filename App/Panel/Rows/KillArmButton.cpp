#include "App/Panel/Rows/KillArmButton.h"

KillArmButton::KillArmButton(QWidget* parent)
    : IconButton("ph-x-light", QSizeF(13, 13), QSize(24, 24),
                 {.normal = Tint::secondary(), .hovered = Tint::systemRed(), .disabled = Tint::tertiary()}, parent) {
    setDisabledReason(std::nullopt);
}

void KillArmButton::setDisabledReason(const std::optional<QString>& reason) {
    HoverButton::setDisabledReason(reason, QStringLiteral("Stop this server, gracefully or by force"));
    const QString name = reason ? QStringLiteral("Stop unavailable because macOS keeps this service running")
                                : QStringLiteral("Stop this server");
    if (accessibleName() != name) setAccessibleName(name);
}
