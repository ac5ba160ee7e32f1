// The wordmark as drawn: the ghost sized by the brand font's cap height and standing on the text
// baseline, the gap and the tracking, and what assistive technology sees.

#include <QAccessible>
#include <QFontMetricsF>
#include <QPainter>
#include <gtest/gtest.h>

#include "App/Brand/Brand.h"
#include "App/Brand/Wordmark.h"
#include "Shared/Brand/WordmarkLayout.h"
#include "brand/Rendering.h"

using namespace brand_testing;

namespace {

// Four device pixels per logical pixel, so edges are found to a quarter of a pixel.
constexpr qreal pixelRatio = 4;
constexpr qreal tolerance = 0.5;

bool isGhost(QColor color) { return color.green() > 150 && color.blue() > 100; }
bool isText(QColor color) { return color.blue() > 200 && color.green() < 60; }

struct RenderedWordmark {
    explicit RenderedWordmark(qreal size, const QPalette& palette) {
        Wordmark wordmark(size);
        wordmark.setPalette(palette);
        wordmark.resize(wordmark.sizeHint());
        widgetSize = wordmark.size();
        image = render(wordmark, pixelRatio);
        font = Brand::brandFont(size, QFont::DemiBold);
        capHeight = QFontMetricsF(font, &wordmark).capHeight();
    }
    QImage image;
    QSize widgetSize;
    QFont font;
    qreal capHeight = 0;
};

// The text alone in that font, untracked, drawn as the wordmark draws it.
QImage renderText(const QFont& font) {
    QImage image(QSize(200, 60) * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 255));
    painter.drawText(QPointF(4, 40), "vellumark");
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

TEST(WordmarkLayoutTest, SizeFifteenWithCapHeightTenAndAHalf) {
    const WordmarkLayout layout = WordmarkLayout::forSize(15, 10.5);
    EXPECT_NEAR(layout.ghostWidth, 11.14, 0.005);
    EXPECT_NEAR(layout.ghostHeight, 12.09, 0.005);
    EXPECT_NEAR(layout.ghostBaseline, 11.295, 0.005);
    EXPECT_DOUBLE_EQ(layout.spacing, 8.25);
    EXPECT_DOUBLE_EQ(layout.tracking, 0.6);
}

class WordmarkRenderingTest : public ::testing::TestWithParam<qreal> {};

// In the dark appearance the ghost is one mint shape without outline, so its ink is its body.
TEST_P(WordmarkRenderingTest, GhostIsOneCapHeightTallWithItsFeetOnTheBaseline) {
    const qreal size = GetParam();
    const RenderedWordmark wordmark(size, darkPalette(QColor(0, 0, 255)));
    const QRectF ghost = inkBounds(wordmark.image, isGhost);
    const QRectF text = inkBounds(wordmark.image, isText);
    ASSERT_FALSE(ghost.isEmpty());
    ASSERT_FALSE(text.isEmpty());

    EXPECT_NEAR(ghost.height(), wordmark.capHeight, tolerance);
    EXPECT_NEAR(ghost.width(), wordmark.capHeight * 120 / 132, tolerance);
    // "vellumark" has no descenders: the bottom of its letters is the baseline.
    EXPECT_NEAR(ghost.bottom(), text.bottom(), tolerance);
}

TEST_P(WordmarkRenderingTest, TextStartsTheGapAfterTheGhostsFrame) {
    const qreal size = GetParam();
    const RenderedWordmark wordmark(size, darkPalette(QColor(0, 0, 255)));
    const QRectF ghost = inkBounds(wordmark.image, isGhost);
    const QRectF text = inkBounds(wordmark.image, isText);

    const qreal frameRight = ghost.right() + wordmark.capHeight * 10 / 132;
    const qreal bearing = QFontMetricsF(wordmark.font).leftBearing(QChar('v'));
    EXPECT_NEAR(text.left() - bearing - frameRight, size * 0.55, tolerance);
    EXPECT_NEAR(ghost.left(), wordmark.capHeight * 10 / 132, tolerance);  // the frame starts the view
}

TEST_P(WordmarkRenderingTest, LettersAreTrackedAndFitTheView) {
    const qreal size = GetParam();
    const RenderedWordmark wordmark(size, darkPalette(QColor(0, 0, 255)));
    const QRectF text = inkBounds(wordmark.image, isText);

    const qreal untracked = inkBounds(renderText(wordmark.font), isText).width();
    // Eight gaps between nine letters, each widened by the tracking.
    EXPECT_NEAR(text.width() - untracked, 8 * size * 0.04, tolerance);
    EXPECT_GE(text.top(), 0);
    EXPECT_LE(text.right(), wordmark.widgetSize.width());
    EXPECT_LE(text.bottom(), wordmark.widgetSize.height());
}

INSTANTIATE_TEST_SUITE_P(Sizes, WordmarkRenderingTest, ::testing::Values(13.0, 15.0, 18.0, 20.0),
                         [](const auto& info) { return "size" + std::to_string(int(info.param)); });

TEST(WordmarkTest, GhostFollowsTheAppearanceAndTextTheForeground) {
    const RenderedWordmark light(15, lightPalette(QColor(0, 0, 255)));
    const RenderedWordmark dark(15, darkPalette(QColor(0, 0, 255)));
    auto isInk = [](QColor color) { return color.red() < 40 && color.green() < 40 && color.blue() < 40; };
    EXPECT_FALSE(inkBounds(light.image, isInk).isEmpty());  // the light ghost's outline
    EXPECT_TRUE(inkBounds(dark.image, isInk).isEmpty());
    EXPECT_FALSE(inkBounds(light.image, isText).isEmpty());
    // The outline adds half its width all round the light ghost.
    EXPECT_GT(inkBounds(light.image, [&](QColor c) { return !isText(c); }).height(),
              inkBounds(dark.image, isGhost).height() + 0.5);
}

TEST(WordmarkTest, IsOneAccessibleElementNamedVellumark) {
    QWidget* wordmark = Brand::wordmark(15);
    QAccessibleInterface* element = QAccessible::queryAccessibleInterface(wordmark);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->text(QAccessible::Name), "Vellumark");
    EXPECT_EQ(element->childCount(), 0);
    delete wordmark;
}

TEST(WordmarkTest, AsksForItsContentsSizeAndKeepsIt) {
    Wordmark small(13), large(20);
    EXPECT_LT(small.sizeHint().width(), large.sizeHint().width());
    EXPECT_LT(small.sizeHint().height(), large.sizeHint().height());
    EXPECT_EQ(small.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(small.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
}

}  // namespace
