#include "App/Panel/Rows/CopyURLButton.h"

#include <QTimer>

#include "App/Panel/Rows/RowActions.h"
#include "Shared/LocalhostURL.h"

CopyURLButton::CopyURLButton(int port, QWidget* parent)
    : IconButton("ph-copy-light", QSizeF(13, 13), QSize(24, 24), {.normal = Tint::secondary()}, parent), port_(port) {
    updateHelp();
    connect(this, &QAbstractButton::clicked, this, &CopyURLButton::copy);
}

void CopyURLButton::setPort(int port) {
    if (port_ == port) return;
    port_ = port;
    updateHelp();
}

Tint CopyURLButton::currentTint() const {
    if (copied_) return Tint::of(BrandColor::alive);
    if (isHovered()) return Tint::accent();
    return Tint::secondary();
}

void CopyURLButton::copy() {
    RowActions::copyToClipboard(QString::fromStdString(localhostURL(port_)));
    setCopied(true);
    QTimer::singleShot(copiedMilliseconds, this, [this] { setCopied(false); });
}

void CopyURLButton::setCopied(bool copied) {
    if (copied_ == copied) return;
    copied_ = copied;
    updateHelp();
    update();
}

void CopyURLButton::updateHelp() {
    setHelp(copied_ ? QStringLiteral("Copied!") : QStringLiteral("Copy ") + QString::fromStdString(localhostURL(port_)),
            QStringLiteral("Copy localhost URL"));
}
