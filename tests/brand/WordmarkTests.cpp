// The wordmark as drawn: the ghost sized by the brand font's cap height and standing on the text
// baseline, then the gap and the tracked text.

#include <QFontMetricsF>
#include <QPainter>
#include <gtest/gtest.h>

#include "App/Brand/Brand.h"
#include "App/Brand/Wordmark.h"
#include "brand/Rendering.h"

namespace {

using namespace brand_testing;

// Four device pixels per logical pixel, so edges are found to a quarter of a pixel.
constexpr qreal pixelRatio = 4, tolerance = 0.5;

bool isGhost(QColor color) { return color.green() > 150 && color.blue() > 100; }
bool isText(QColor color) { return color.blue() > 200 && color.green() < 60; }

class WordmarkGeometry : public ::testing::TestWithParam<qreal> {};

TEST_P(WordmarkGeometry, GhostIsOneCapHeightOnTheBaselineThenTheGapThenTrackedText) {
    const qreal size = GetParam();
    Wordmark wordmark(size);
    wordmark.setPalette(darkPalette(QColor(0, 0, 255)));  // dark: the ghost is one mint shape, its ink its body
    wordmark.resize(wordmark.sizeHint());
    const QImage image = render(wordmark, pixelRatio);
    const QFont font = Brand::brandFont(size, QFont::DemiBold);
    const qreal capHeight = QFontMetricsF(font, &wordmark).capHeight();
    const QRectF ghost = inkBounds(image, isGhost), text = inkBounds(image, isText);
    ASSERT_FALSE(ghost.isEmpty() || text.isEmpty());

    EXPECT_NEAR(ghost.height(), capHeight, tolerance);
    EXPECT_NEAR(ghost.width(), capHeight * 120 / 132, tolerance);
    EXPECT_NEAR(ghost.bottom(), text.bottom(), tolerance) << "\"vellumark\" has no descenders: its bottom is the baseline";
    const qreal margin = capHeight * 10 / 132;  // of the ghost's frame
    EXPECT_NEAR(ghost.left(), margin, tolerance);
    const qreal bearing = QFontMetricsF(font).leftBearing(QChar('v'));
    EXPECT_NEAR(text.left() - bearing - (ghost.right() + margin), size * 0.55, tolerance);
    EXPECT_LE(text.right(), wordmark.width());
    EXPECT_LE(text.bottom(), wordmark.height());

    // Eight gaps between nine letters, each widened by the tracking.
    QImage plain(QSize(200, 60) * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    plain.setDevicePixelRatio(pixelRatio);
    plain.fill(Qt::transparent);
    QPainter painter(&plain);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 255));
    painter.drawText(QPointF(4, 40), "vellumark");
    painter.end();
    EXPECT_NEAR(text.width() - inkBounds(plain.convertToFormat(QImage::Format_ARGB32), isText).width(), 8 * size * 0.04,
                tolerance);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WordmarkGeometry, ::testing::Values(13.0, 20.0),
                         [](const auto& info) { return "size" + std::to_string(int(info.param)); });

}  // namespace
