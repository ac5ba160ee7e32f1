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
        clearStack();
        control = std::make_unique<QWidget>();
        control->resize(40, 20);
        control->show();
        pointingCursor(control.get());
    }
    void TearDown() override {
        control.reset();
        clearStack();
    }

    static void clearStack() {
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
        return cursor ? cursor->shape() : Qt::BlankCursor;  // blank: the stack is empty
    }

    std::unique_ptr<QWidget> control;
};

TEST_F(PointingCursorTest, EnteringTwicePushesOnce) {
    enter(control.get());
    EXPECT_EQ(top(), Qt::PointingHandCursor);
    enter(control.get());
    leave(control.get());
    EXPECT_EQ(top(), Qt::BlankCursor);
}

TEST_F(PointingCursorTest, HidingWhileHoveredPopsOnceAndLeavingAfterwardsPopsNothing) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    enter(control.get());
    EXPECT_EQ(top(), Qt::PointingHandCursor);
    control->hide();
    EXPECT_EQ(top(), Qt::WaitCursor);
    leave(control.get());
    EXPECT_EQ(top(), Qt::WaitCursor);
}

TEST_F(PointingCursorTest, DestroyingWhileHoveredPops) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    enter(control.get());
    control.reset();
    EXPECT_EQ(top(), Qt::WaitCursor);
}

TEST_F(PointingCursorTest, LeavingOrHidingWithoutEnteringPopsNothing) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    leave(control.get());
    control->hide();
    control.reset();
    EXPECT_EQ(top(), Qt::WaitCursor);
}

TEST_F(PointingCursorTest, ShowingAgainAndEnteringPushesAgain) {
    enter(control.get());
    control->hide();
    control->show();
    enter(control.get());
    EXPECT_EQ(top(), Qt::PointingHandCursor);
    leave(control.get());
    EXPECT_EQ(top(), Qt::BlankCursor);
}

TEST_F(PointingCursorTest, ApplyingTwiceStillPushesOnce) {
    EXPECT_EQ(pointingCursor(control.get()), control.get());
    enter(control.get());
    leave(control.get());
    EXPECT_EQ(top(), Qt::BlankCursor);
}

TEST_F(PointingCursorTest, MovingToANeighbourThatIsEnteredFirstKeepsTheHand) {
    QWidget neighbour;
    neighbour.show();
    pointingCursor(&neighbour);
    enter(control.get());
    enter(&neighbour);  // the neighbour may hear of the pointer before the control does
    leave(control.get());
    EXPECT_EQ(top(), Qt::PointingHandCursor);
    leave(&neighbour);
    EXPECT_EQ(top(), Qt::BlankCursor);
}

TEST_F(PointingCursorTest, ANullControlIsLeftAlone) {
    EXPECT_EQ(pointingCursor(static_cast<QWidget*>(nullptr)), nullptr);
    EXPECT_EQ(top(), Qt::BlankCursor);
}

}  // namespace
