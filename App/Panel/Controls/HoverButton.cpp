#include "App/Panel/Controls/HoverButton.h"

#include <QCoreApplication>

#include "Look/PointingCursor.h"

HoverButton::HoverButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    pointingCursor(this);
}

void HoverButton::enterEvent(QEnterEvent* event) {
    setHovered(true);
    QAbstractButton::enterEvent(event);
}

void HoverButton::leaveEvent(QEvent* event) {
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void HoverButton::hideEvent(QHideEvent* event) {
    // Hidden under the pointer, it has left it: told as the pointer tells it, so that Qt's own mark
    // agrees with this state when it shows again.
    if (underMouse()) {
        QEvent left(QEvent::Leave);
        QCoreApplication::sendEvent(this, &left);
    }
    setHovered(false);
    QAbstractButton::hideEvent(event);
}

void HoverButton::setHovered(bool hovered) {
    if (hovered_ == hovered) return;
    hovered_ = hovered;
    update();
}

void HoverButton::setDisabledReason(const std::optional<QString>& reason, const QString& help) {
    setEnabled(!reason);
    const QString tip = reason.value_or(help);
    if (toolTip() != tip) setToolTip(tip);
}
