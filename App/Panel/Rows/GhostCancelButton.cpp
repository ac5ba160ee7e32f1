#include "App/Panel/Rows/GhostCancelButton.h"

#include "Core/Restart/RestartTracker.h"

GhostCancelButton::GhostCancelButton(RestartEntry::ID entryID, QWidget* parent)
    : IconButton("ph-x-light", QSizeF(11, 11), QSize(20, 20),
                 {.normal = Tint::secondary(), .hovered = Tint::systemRed()}, parent),
      entryID_(std::move(entryID)) {
    setHelp(QStringLiteral("Cancel restart and leave the server stopped"), QStringLiteral("Cancel restart"));
    connect(this, &QAbstractButton::clicked, this, [this] { RestartTracker::shared().cancel(entryID_); });
}
