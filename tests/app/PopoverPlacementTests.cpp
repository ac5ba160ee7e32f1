// Where the popover opens relative to the tray icon, the pointer or the screen.

#include <gtest/gtest.h>

#include "App/Shell/PopoverPlacement.h"

namespace {

using PopoverPlacement::gap;
using PopoverPlacement::origin;

const QRect screen(0, 0, 1280, 800);
const QSize panel(440, 300);

TEST(PopoverPlacement, OpensCentredBelowAnIconInATopPanel) {
    const QRect icon(600, 0, 24, 24);
    EXPECT_EQ(origin(panel, icon, screen), QPoint(612 - 220, 24 + gap));
}

TEST(PopoverPlacement, StaysInsideTheScreenNearItsEdges) {
    // An icon in the top right corner: the popover's right edge meets the screen's.
    EXPECT_EQ(origin(panel, QRect(1256, 0, 24, 24), screen), QPoint(1280 - 440, 24 + gap));
    // And at the left.
    EXPECT_EQ(origin(panel, QRect(0, 0, 24, 24), screen), QPoint(0, 24 + gap));
    // A screen that is not at the origin (a second monitor, or a panel taking the left edge).
    const QRect right(1280, 30, 1920, 1050);
    EXPECT_EQ(origin(panel, QRect(3176, 0, 24, 24), right).x(), 1280 + 1920 - 440);
}

TEST(PopoverPlacement, OpensAboveAnIconInABottomPanel) {
    const QRect icon(600, 776, 24, 24);
    EXPECT_EQ(origin(panel, icon, screen), QPoint(392, 776 - gap - 300));
}

TEST(PopoverPlacement, AtThePointerWhenTheTrayGivesNoGeometry) {
    EXPECT_EQ(origin(panel, QRect(QPoint(700, 10), QSize(1, 1)), screen), QPoint(700 - 220, 11 + gap));
}

TEST(PopoverPlacement, TopRightCornerWithoutAnAnchor) {
    EXPECT_EQ(origin(panel, std::nullopt, screen), QPoint(1280 - gap - 440, gap));
    EXPECT_EQ(origin(panel, QRect(), screen), QPoint(1280 - gap - 440, gap));
}

}  // namespace
