#include "App/Shell/Popover.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QVBoxLayout>

#include "App/Panel/Controls/PointerHover.h"
#include "App/Shell/AccessiblePopups.h"
#include "App/Shell/PopoverPlacement.h"

Popover::Popover(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), layout_(new QVBoxLayout(this)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Vellumark"));
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    layout_->setSizeConstraint(QLayout::SetFixedSize);  // the window follows the content's size
    // Its rows move and its states change under a still pointer every few seconds.
    PointerHover::follow(this);
    // A screen reader reaches it, though it is a pop-up.
    AccessiblePopups::include(this);
}

void Popover::setContentView(QWidget* view) {
    if (content_) delete content_;
    content_ = view;
    if (!view) return;
    // Not the minimum it may carry: a view made before it came here was a window of its own, and its
    // layout pinned its height then (the panel's loading state, say) on it as its least height, so
    // the popover would never get shorter than that. Its layout keeps it from shrinking further.
    view->setMinimumHeight(minimumHeight);
    layout_->addWidget(view);
}

void Popover::showRelativeTo(const std::optional<QRect>& anchor) {
    adjustSize();
    QScreen* screen = anchor ? QGuiApplication::screenAt(anchor->center()) : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    anchor_ = anchor;
    screenArea_ = screen ? std::optional(screen->availableGeometry()) : std::nullopt;
    place();
    show();
}

void Popover::place() {
    if (screenArea_) move(PopoverPlacement::origin(size(), anchor_, *screenArea_));
}

void Popover::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateShape();
    emit didShow();
}

void Popover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit didClose();
}

void Popover::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateShape();
    // The panel fills in once shown (it reads its snapshot then): a panel opening above a bottom
    // tray grows upwards, and every panel stays inside the screen.
    if (isVisible()) place();
}

void Popover::updateShape() {
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
}
