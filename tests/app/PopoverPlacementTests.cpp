// Where the popover opens relative to the tray icon, the pointer or the screen.

#include <gtest/gtest.h>

#include "App/Shell/PopoverPlacement.h"

namespace {

using PopoverPlacement::gap;

TEST(PopoverPlacement, UnderOrOverTheAnchorCentredAndInsideTheScreen) {
    const QRect screen(0, 0, 1280, 800);
    const QSize panel(440, 300);
    const std::tuple<std::optional<QRect>, QRect, QPoint> cases[] = {
        {QRect(600, 0, 24, 24), screen, QPoint(612 - 220, 24 + gap)},     // icon in a top panel
        {QRect(600, 776, 24, 24), screen, QPoint(392, 776 - gap - 300)},  // in a bottom panel
        {QRect(1256, 0, 24, 24), screen, QPoint(1280 - 440, 24 + gap)},   // in a corner
        {QRect(3176, 0, 24, 24), QRect(1280, 30, 1920, 1050), QPoint(1280 + 1920 - 440, 24 + gap)},  // second monitor
        {std::nullopt, screen, QPoint(1280 - gap - 440, gap)},  // no anchor: top right
        {QRect(), screen, QPoint(1280 - gap - 440, gap)},
    };
    for (const auto& [anchor, area, expected] : cases) {
        EXPECT_EQ(PopoverPlacement::origin(panel, anchor, area), expected) << anchor.value_or(QRect()).x();
    }
}

}  // namespace
