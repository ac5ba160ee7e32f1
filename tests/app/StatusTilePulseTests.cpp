// The pulse's frames over time.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "App/StatusTile/StatusTilePulse.h"

namespace {

using namespace StatusTile::Pulse;

TEST(StatusTilePulse, EasingKeepsItsEndsAndIsSymmetric) {
    EXPECT_DOUBLE_EQ(easeInEaseOut(0), 0);
    EXPECT_DOUBLE_EQ(easeInEaseOut(1), 1);
    EXPECT_NEAR(easeInEaseOut(0.5), 0.5, 1e-6);
    for (double x = 0.05; x < 1; x += 0.05) EXPECT_NEAR(easeInEaseOut(x) + easeInEaseOut(1 - x), 1, 1e-6) << x;
    // Slow at the start and the end.
    EXPECT_LT(easeInEaseOut(0.1), 0.1);
    EXPECT_GT(easeInEaseOut(0.9), 0.9);
    // Out of range is clamped.
    EXPECT_DOUBLE_EQ(easeInEaseOut(-3), 0);
    EXPECT_DOUBLE_EQ(easeInEaseOut(7), 1);
}

TEST(StatusTilePulse, EachCycleGoesToThePeakAndBack) {
    const Frame start = frameAt(0);
    EXPECT_DOUBLE_EQ(start.scale, 1.0);
    EXPECT_DOUBLE_EQ(start.opacity, 1.0);
    for (int cycle = 0; cycle < repeatCount; ++cycle) {
        const Frame peak = frameAt(cycle * cycleSeconds + cycleSeconds / 2);
        EXPECT_NEAR(peak.scale, 1.18, 1e-5) << cycle;
        EXPECT_NEAR(peak.opacity, 0.55, 1e-5) << cycle;
        const Frame almostEnd = frameAt((cycle + 1) * cycleSeconds - 1e-4);
        EXPECT_NEAR(almostEnd.scale, 1.0, 1e-3) << cycle;
        EXPECT_NEAR(almostEnd.opacity, 1.0, 1e-3) << cycle;
    }
    // Within the frames the values stay between rest and peak.
    for (double t = 0; t < totalSeconds; t += 0.01) {
        const Frame frame = frameAt(t);
        EXPECT_GE(frame.scale, 1.0);
        EXPECT_LE(frame.scale, 1.18 + 1e-9);
        EXPECT_GE(frame.opacity, 0.55 - 1e-9);
        EXPECT_LE(frame.opacity, 1.0);
    }
}

TEST(StatusTilePulse, ThreeCyclesThenRestAndNothingOutsideThem) {
    EXPECT_DOUBLE_EQ(totalSeconds, 3.3);
    // A quarter into the third cycle it still moves; at 3.3 s and later it rests.
    EXPECT_GT(frameAt(2 * cycleSeconds + cycleSeconds / 4).scale, 1.01);
    for (double t : {3.3, 3.31, 10.0, std::numeric_limits<double>::infinity(), -0.5, std::nan("")}) {
        EXPECT_DOUBLE_EQ(frameAt(t).scale, 1.0) << t;
        EXPECT_DOUBLE_EQ(frameAt(t).opacity, 1.0) << t;
    }
}

}  // namespace
