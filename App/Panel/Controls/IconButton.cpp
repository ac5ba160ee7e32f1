#include "App/Panel/Controls/IconButton.h"

#include <QEvent>
#include <QPainter>

#include "Look/Icons.h"

IconButton::IconButton(std::string iconName, QSizeF iconSize, QSize frame, Tints tints, QWidget* parent)
    : HoverButton(parent), iconName_(std::move(iconName)), iconSize_(iconSize), frame_(frame), tints_(tints) {
    setFixedSize(frame_);
}

Tint IconButton::currentTint() const {
    if (!isEnabled() && tints_.disabled) return *tints_.disabled;
    if (isEnabled() && isHovered() && tints_.hovered) return *tints_.hovered;
    return tints_.normal;
}

void IconButton::setHelp(const QString& help, const QString& accessibleName) {
    if (toolTip() != help) setToolTip(help);
    if (this->accessibleName() != accessibleName) setAccessibleName(accessibleName);
}

QRectF IconButton::iconRect() const {
    QRectF box(QPointF(), iconSize_);
    box.moveCenter(QRectF(rect()).center());
    return box;
}

void IconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Icons::paint(painter, iconRect(), iconName_, iconColor());
}

void IconButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    HoverButton::changeEvent(event);
}
