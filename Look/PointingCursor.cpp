#include "Look/PointingCursor.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

PointingCursor::PointingCursor(QWidget* control) : QObject(control) { control->installEventFilter(this); }

PointingCursor::~PointingCursor() { pop(); }

bool PointingCursor::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter: push(); break;
    case QEvent::Leave:
    case QEvent::Hide: pop(); break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

void PointingCursor::push() {
    if (pushed_) return;
    QGuiApplication::setOverrideCursor(Qt::PointingHandCursor);
    pushed_ = true;
}

void PointingCursor::pop() {
    if (!pushed_) return;
    pushed_ = false;
    // The application may already be gone when a control outlives it.
    if (QGuiApplication::instance()) QGuiApplication::restoreOverrideCursor();
}

QWidget* applyPointingCursor(QWidget* control) {
    if (control && !control->findChild<PointingCursor*>(QString(), Qt::FindDirectChildrenOnly))
        new PointingCursor(control);
    return control;
}
