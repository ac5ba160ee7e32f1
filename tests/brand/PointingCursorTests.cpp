// The pointing hand on the application's override-cursor stack as the pointer enters, leaves and
// loses controls. A wait cursor pushed first stands for whatever lay on the stack already: a
// control must never pop it.

#include <memory>

#include <QEnterEvent>
#include <QGuiApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include "App/Brand/PointingCursor.h"

namespace {

class PointingCursorTest : public ::testing::Test {
protected:
    void SetUp() override {
        while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        control->show();
        neighbour.show();
        EXPECT_EQ(pointingCursor(control.get()), control.get());
        pointingCursor(control.get());  // twice: still one hand
        pointingCursor(&neighbour);
    }
    void TearDown() override {
        while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    }
    static void enter(QWidget* widget) {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(widget, &event);
    }
    static void leave(QWidget* widget) {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &event);
    }
    static Qt::CursorShape top() {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        return cursor ? cursor->shape() : Qt::BlankCursor;  // blank: a control popped what it never pushed
    }

    QWidget neighbour;
    std::unique_ptr<QWidget> control = std::make_unique<QWidget>();
};

TEST_F(PointingCursorTest, EachControlPushesOnceAndPopsOnlyWhatItPushed) {
    enter(control.get());
    enter(control.get());
    EXPECT_EQ(top(), Qt::PointingHandCursor);
    enter(&neighbour);  // the neighbour may hear of the pointer before the control does
    leave(control.get());
    EXPECT_EQ(top(), Qt::PointingHandCursor);
    leave(&neighbour);
    EXPECT_EQ(top(), Qt::WaitCursor);
    leave(control.get());
    leave(&neighbour);
    EXPECT_EQ(top(), Qt::WaitCursor);
    EXPECT_EQ(pointingCursor(static_cast<QWidget*>(nullptr)), nullptr);
}

TEST_F(PointingCursorTest, HidingOrDestroyingWhileHoveredPopsOnce) {
    enter(control.get());
    control->hide();
    EXPECT_EQ(top(), Qt::WaitCursor);
    leave(control.get());
    EXPECT_EQ(top(), Qt::WaitCursor);
    control->show();
    enter(control.get());
    EXPECT_EQ(top(), Qt::PointingHandCursor) << "shown again, it pushes again";
    control.reset();
    EXPECT_EQ(top(), Qt::WaitCursor);
}

}  // namespace
