#include "App/Panel/Controls/PointerHover.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace {

// An Enter can show widgets under the pointer (a hovered row's buttons), which then call for a round
// of their own; a window still changing after a few rounds is synced again by its next change.
constexpr int mostRounds = 4;

PointerHover* followerOf(QWidget* window) {
    return window->findChild<PointerHover*>(QString(), Qt::FindDirectChildrenOnly);
}

}  // namespace

void PointerHover::follow(QWidget* window) {
    if (window && !followerOf(window)) new PointerHover(window);
}

PointerHover::PointerHover(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

void PointerHover::sync(QWidget* widget) {
    if (!widget) return;
    if (PointerHover* follower = followerOf(widget->window())) follower->syncTo(QCursor::pos());
}

bool PointerHover::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::Show:
            // The native window exists once shown; its mouse events come before any widget's.
            if (QWindow* handle = window_->windowHandle(); handle && handle != handle_) {
                handle->installEventFilter(this);
                handle_ = handle;
            }
            syncTo(QCursor::pos());
            break;
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize: syncTo(QCursor::pos()); break;
        default: break;
        }
    } else if (watched == handle_) {
        switch (event->type()) {
        case QEvent::MouseMove: {
            // Qt tells the widgets itself while the pointer stays on the one it last saw; a move to
            // another widget, or out of the window, is told here first from where the pointer is.
            const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            if (widgetAt(global) != lastUnder_) syncTo(global);
            break;
        }
        case QEvent::Enter:
        case QEvent::Leave: syncTo(QCursor::pos()); break;
        default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}

QWidget* PointerHover::widgetAt(const QPoint& global) const {
    if (!window_->isVisible()) return nullptr;
    // A menu opened from the window has the pointer while it is open, wherever the pointer is.
    if (QWidget* popup = QApplication::activePopupWidget(); popup && popup != window_) return nullptr;
    const QPoint local = window_->mapFromGlobal(global);
    if (!window_->rect().contains(local)) return nullptr;
    if (!window_->mask().isEmpty() && !window_->mask().contains(local)) return nullptr;
    QWidget* child = window_->childAt(local);
    return child ? child : window_;
}

void PointerHover::syncTo(const QPoint& global) {
    // An Enter or Leave told below may change what the window shows, and so call for a sync of its
    // own: it becomes one more round of this one.
    if (syncing_) {
        syncAgain_ = true;
        return;
    }
    syncing_ = true;
    for (int round = 0; round < mostRounds; ++round) {
        syncAgain_ = false;
        if (!tellWidgets(widgetAt(global), global) && !syncAgain_) break;
    }
    lastUnder_ = widgetAt(global);
    syncing_ = false;
}

bool PointerHover::tellWidgets(QWidget* under, const QPoint& global) {
    std::vector<QWidget*> hovered;  // the widget under the pointer, then its ancestors
    for (QWidget* widget = under; widget; widget = widget->isWindow() ? nullptr : widget->parentWidget())
        hovered.push_back(widget);
    const auto isHovered = [&](QWidget* widget) { return std::ranges::find(hovered, widget) != hovered.end(); };

    // Children are listed after their parent: backwards, a child leaves before its parent, as when
    // the pointer moves out. Menus and other windows parented here keep their own hover.
    QList<QWidget*> widgets = window_->findChildren<QWidget*>();
    widgets.prepend(window_);
    std::vector<QPointer<QWidget>> leaving;
    for (auto widget = widgets.crbegin(); widget != widgets.crend(); ++widget) {
        if ((*widget)->underMouse() && !isHovered(*widget) && (*widget)->window() == window_)
            leaving.emplace_back(*widget);
    }
    std::vector<QPointer<QWidget>> entering(hovered.rbegin(), hovered.rend());  // the window first

    bool told = false;
    for (const QPointer<QWidget>& widget : leaving) {
        if (!widget || !widget->underMouse()) continue;  // a Leave before already told it
        QEvent left(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &left);
        told = true;
    }
    for (const QPointer<QWidget>& widget : entering) {
        if (!widget || widget->underMouse() || !widget->isVisible()) continue;
        QEnterEvent entered(widget->mapFromGlobal(QPointF(global)), window_->mapFromGlobal(QPointF(global)),
                            QPointF(global));
        QCoreApplication::sendEvent(widget, &entered);
        told = true;
    }
    return told;
}
