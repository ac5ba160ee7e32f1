// The ghost logo: its outline and eyes as shapes, and what the view paints in each appearance at
// the design size and scaled.

#include <cmath>

#include <gtest/gtest.h>

#include "App/Brand/GhostMark.h"
#include "App/Brand/GhostPath.h"
#include "brand/Rendering.h"

using namespace brand_testing;

namespace {

const QColor mint(0x5D, 0xF8, 0xD8);
const QColor ink(0x16, 0x19, 0x1D);
const QColor clear(0, 0, 0, 0);

TEST(GhostPathTest, FillsItsRectangleAndLeavesTheCornersAndTheGapsBetweenTheFeetOpen) {
    const QRectF rect(20, 30, 240, 264);  // the 120 by 132 grid at twice the size
    const QPainterPath body = GhostPath(rect);
    EXPECT_NEAR(body.boundingRect().left(), 20, 1e-6);
    EXPECT_NEAR(body.boundingRect().top(), 30, 1e-6);
    EXPECT_NEAR(body.boundingRect().width(), 240, 1e-6);
    EXPECT_NEAR(body.boundingRect().height(), 264, 1e-6);

    auto at = [&](double x, double y) { return QPointF(20 + 2 * x, 30 + 2 * y); };
    EXPECT_TRUE(body.contains(at(60, 2)));     // top of the head
    EXPECT_FALSE(body.contains(at(3, 3)));     // outside the round head
    EXPECT_TRUE(body.contains(at(1, 100)));    // straight side
    EXPECT_TRUE(body.contains(at(20, 130)));   // a foot
    EXPECT_FALSE(body.contains(at(40, 125)));  // between two feet
    EXPECT_FALSE(body.contains(at(80, 125)));
}

TEST(GhostPathTest, EyesAreOpenInTheOutlineThatIncludesThem) {
    const QRectF rect(0, 0, 120, 132);
    const QPointF leftEye(40, 62), rightEye(80, 62), between(60, 62);
    EXPECT_TRUE(GhostPath(rect, false).contains(leftEye));
    EXPECT_FALSE(GhostPath(rect, true).contains(leftEye));
    EXPECT_FALSE(GhostPath(rect, true).contains(rightEye));
    EXPECT_TRUE(GhostPath(rect, true).contains(between));

    const QPainterPath eyes = GhostEyes(rect);
    EXPECT_TRUE(eyes.contains(leftEye));
    EXPECT_TRUE(eyes.contains(rightEye));
    EXPECT_FALSE(eyes.contains(between));
    EXPECT_NEAR(eyes.boundingRect().left(), 32, 1e-6);
    EXPECT_NEAR(eyes.boundingRect().right(), 88, 1e-6);
    EXPECT_NEAR(eyes.boundingRect().top(), 51, 1e-6);
    EXPECT_NEAR(eyes.boundingRect().bottom(), 73, 1e-6);
}

// Renders a GhostMark of the given size and reads pixels by their place in the 140 by 152 grid.
class RenderedMark {
public:
    RenderedMark(QSize size, const QPalette& palette) {
        GhostMark mark;
        mark.setPalette(palette);
        mark.resize(size);
        image_ = render(mark);
        scaleX_ = size.width() / 140.0, scaleY_ = size.height() / 152.0;
    }
    QColor at(double gridX, double gridY) const {
        return image_.pixelColor(int(std::floor(gridX * scaleX_)), int(std::floor(gridY * scaleY_)));
    }

private:
    QImage image_;
    double scaleX_ = 1, scaleY_ = 1;
};

class GhostMarkRenderingTest : public ::testing::TestWithParam<QSize> {};

TEST_P(GhostMarkRenderingTest, LightIsAMintBodyWithInkOutlineAndInkEyes) {
    const RenderedMark mark(GetParam(), lightPalette());
    EXPECT_TRUE(colorNear(mark.at(70, 60), mint));   // body, between the eyes
    EXPECT_TRUE(colorNear(mark.at(50, 72), ink));    // left eye
    EXPECT_TRUE(colorNear(mark.at(90, 72), ink));    // right eye
    EXPECT_TRUE(colorNear(mark.at(11, 100), ink));   // outline astride the left edge (x = 10)
    EXPECT_TRUE(colorNear(mark.at(9, 100), ink));
    EXPECT_TRUE(colorNear(mark.at(17, 100), mint));  // inside the outline
    EXPECT_TRUE(colorNear(mark.at(3, 100), clear));  // the margin outside it
    EXPECT_TRUE(colorNear(mark.at(14, 14), clear));  // beyond the round head
    EXPECT_TRUE(colorNear(mark.at(30, 145), ink));   // outline under a foot
    EXPECT_TRUE(colorNear(mark.at(30, 149), clear));
    EXPECT_TRUE(colorNear(mark.at(50, 140), clear));  // gap between the feet
    EXPECT_TRUE(colorNear(mark.at(90, 140), clear));
}

TEST_P(GhostMarkRenderingTest, DarkIsOneAliveMarkShapeWithOpenEyesAndNoOutline) {
    const RenderedMark mark(GetParam(), darkPalette());
    EXPECT_TRUE(colorNear(mark.at(70, 60), mint));
    EXPECT_TRUE(colorNear(mark.at(50, 72), clear));
    EXPECT_TRUE(colorNear(mark.at(90, 72), clear));
    EXPECT_TRUE(colorNear(mark.at(11, 100), mint));
    EXPECT_TRUE(colorNear(mark.at(7, 100), clear));
    EXPECT_TRUE(colorNear(mark.at(30, 138), mint));  // a foot
    EXPECT_TRUE(colorNear(mark.at(30, 145), clear));
    EXPECT_TRUE(colorNear(mark.at(50, 140), clear));
}

INSTANTIATE_TEST_SUITE_P(Sizes, GhostMarkRenderingTest,
                         ::testing::Values(QSize(140, 152), QSize(70, 76), QSize(280, 304)),
                         [](const auto& info) {
                             return std::to_string(info.param.width()) + "x" + std::to_string(info.param.height());
                         });

TEST(GhostMarkTest, StretchesToItsFrameWithTheOutlineWidthTakenFromTheWidth) {
    // Twice as wide as the grid, as tall as it: the outline is 20 pixels wide, centred on x = 20.
    const RenderedMark mark(QSize(280, 152), lightPalette());
    EXPECT_TRUE(colorNear(mark.at(3, 100), clear));   // pixel 6
    EXPECT_TRUE(colorNear(mark.at(6, 100), ink));     // pixel 12
    EXPECT_TRUE(colorNear(mark.at(14, 100), ink));    // pixel 28
    EXPECT_TRUE(colorNear(mark.at(17, 100), mint));   // pixel 34
    EXPECT_TRUE(colorNear(mark.at(50, 72), ink));     // the eyes stretch along
    EXPECT_TRUE(colorNear(mark.at(70, 60), mint));
}

TEST(GhostMarkTest, FollowsAPaletteChange) {
    GhostMark mark;
    mark.resize(140, 152);
    mark.setPalette(lightPalette());
    EXPECT_TRUE(colorNear(render(mark).pixelColor(50, 72), ink));
    mark.setPalette(darkPalette());
    EXPECT_TRUE(colorNear(render(mark).pixelColor(50, 72), clear));
}

}  // namespace
