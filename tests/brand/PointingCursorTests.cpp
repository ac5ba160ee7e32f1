// The pointing hand on the override-cursor stack as the pointer enters, leaves and loses controls. A
// wait cursor pushed first stands for whatever lay on the stack already: a control must never pop it.

#include <gtest/gtest.h>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QWidget>

#include <memory>

#include "Look/PointingCursor.h"

namespace {

void send(QWidget* widget, bool enter) {
    QEnterEvent entered(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QEvent left(QEvent::Leave);
    QCoreApplication::sendEvent(widget, enter ? static_cast<QEvent*>(&entered) : &left);
}

Qt::CursorShape top() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::BlankCursor;  // blank: a control popped what it never pushed
}

TEST(PointingCursor, EachControlPushesOnceAndPopsOnlyWhatItPushed) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QWidget neighbour;
    auto control = std::make_unique<QWidget>();
    neighbour.show();
    control->show();
    EXPECT_EQ(pointingCursor(control.get()), control.get());
    pointingCursor(control.get());  // twice: still one hand
    pointingCursor(&neighbour);
    EXPECT_EQ(pointingCursor(static_cast<QWidget*>(nullptr)), nullptr);

    send(control.get(), true);
    send(control.get(), true);
    send(&neighbour, true);  // the neighbour may hear of the pointer before the control does
    send(control.get(), false);
    EXPECT_EQ(top(), Qt::PointingHandCursor);
    send(&neighbour, false);
    send(control.get(), false);
    EXPECT_EQ(top(), Qt::WaitCursor);

    send(control.get(), true);
    control->hide();  // pops once; the leave that follows pops nothing
    send(control.get(), false);
    EXPECT_EQ(top(), Qt::WaitCursor);
    control->show();
    send(control.get(), true);
    EXPECT_EQ(top(), Qt::PointingHandCursor) << "shown again, it pushes again";
    control.reset();
    EXPECT_EQ(top(), Qt::WaitCursor);
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
}

}  // namespace
