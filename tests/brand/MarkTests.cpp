// The ghost logo and the wordmark as drawn in each appearance.

#include <gtest/gtest.h>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "Look/ApplicationIcon.h"
#include "Look/Brand.h"
#include "Look/GhostMark.h"
#include "Look/Wordmark.h"

namespace {

// The view over a transparent backdrop, at `pixelRatio` device pixels per logical pixel, unpremultiplied.
QImage render(QWidget& widget, qreal pixelRatio = 1) {
    QImage image(widget.size() * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

TEST(GhostMark, LightIsAMintBodyWithInkOutlineAndEyesDarkIsOneMintShapeWithOpenEyes) {
    const QColor mint(0x5D, 0xF8, 0xD8), ink(0x16, 0x19, 0x1D), clear(0, 0, 0, 0);
    const std::tuple<double, double, QColor, QColor, const char*> pixels[] = {
        // x, y in the 140 by 152 design grid; light, dark
        {70, 60, mint, mint, "body between the eyes"},
        {50, 72, ink, clear, "left eye"},
        {9, 100, ink, clear, "outline astride the left edge at x = 10"},
        {11, 100, ink, mint, "the edge"},
        {3, 100, clear, clear, "the margin"},
        {14, 14, clear, clear, "beyond the round head"},
        {30, 138, ink, mint, "a foot's lower edge"},
        {50, 140, clear, clear, "between two feet"},
    };
    for (const QSize size : {QSize(140, 152), QSize(280, 304)}) {
        GhostMark mark;
        mark.resize(size);
        for (const bool dark : {false, true}) {
            mark.setPalette(QPalette(dark ? QColor(0x20, 0x20, 0x20) : QColor(0xF6, 0xF6, 0xF6)));
            const QImage image = render(mark);
            for (const auto& [x, y, light, darkColor, what] : pixels) {
                const QColor drawn = image.pixelColor(int(std::floor(x * size.width() / 140.0)),
                                                      int(std::floor(y * size.height() / 152.0)));
                for (auto channel : {&QColor::red, &QColor::green, &QColor::blue, &QColor::alpha}) {
                    EXPECT_NEAR((drawn.*channel)(), ((dark ? darkColor : light).*channel)(), 2)
                        << what << (dark ? ", dark, " : ", light, ") << size.width() << " wide";
                }
            }
        }
    }
}

// The smallest logical rectangle holding every device pixel of at least half coverage that passes `accept`.
QRectF inkBounds(const QImage& image, bool (*accept)(QColor)) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor color = image.pixelColor(x, y);
            if (color.alpha() >= 128 && accept(color)) bounds |= QRect(x, y, 1, 1);
        }
    }
    const qreal ratio = image.devicePixelRatio();
    return QRectF(QPointF(bounds.topLeft()) / ratio, QSizeF(bounds.size()) / ratio);
}

TEST(Wordmark, GhostIsOneCapHeightOnTheBaselineThenTheGapThenTheText) {
    const qreal size = 20, pixelRatio = 4, tolerance = 0.5;  // edges found to a quarter of a pixel
    Wordmark wordmark(size);
    QPalette dark(QColor(0x20, 0x20, 0x20));  // the ghost is one mint shape
    dark.setColor(QPalette::WindowText, QColor(0, 0, 255));
    wordmark.setPalette(dark);
    wordmark.resize(wordmark.sizeHint());
    const QImage image = render(wordmark, pixelRatio);
    const QFont font = Brand::brandFont(size, QFont::DemiBold);
    const qreal capHeight = QFontMetricsF(font, &wordmark).capHeight();
    const QRectF ghost = inkBounds(image, [](QColor c) { return c.green() > 150 && c.blue() > 100; });
    const QRectF text = inkBounds(image, [](QColor c) { return c.blue() > 200 && c.green() < 60; });
    ASSERT_FALSE(ghost.isEmpty() || text.isEmpty());

    EXPECT_NEAR(ghost.height(), capHeight, tolerance);
    EXPECT_NEAR(ghost.width(), capHeight * 120 / 132, tolerance);
    EXPECT_NEAR(ghost.bottom(), text.bottom(), tolerance)
        << "\"vellumark\" has no descenders: its bottom is the baseline";
    const qreal margin = capHeight * 10 / 132, bearing = QFontMetricsF(font).leftBearing(QChar('v'));
    EXPECT_NEAR(ghost.left(), margin, tolerance) << "the ghost's frame";
    EXPECT_NEAR(text.left() - bearing - (ghost.right() + margin), size * 0.55, tolerance);
}

// The icon's SVG, as the desktop draws it, is the light ghost mark the code draws, in the middle of
// its square.
TEST(ApplicationIcon, IsTheLightGhostMarkInTheMiddleOfASquare) {
    for (const int size : {152, 304}) {
        const QImage icon = applicationIconImage(size).convertToFormat(QImage::Format_ARGB32);
        QImage mark(size, size, QImage::Format_ARGB32_Premultiplied);
        mark.fill(Qt::transparent);
        {
            QPainter painter(&mark);
            const qreal width = size * 140.0 / 152;
            GhostMark::paint(painter, QRectF((size - width) / 2, 0, width, size), false);
        }
        mark = mark.convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(icon.size(), mark.size());
        int differing = 0, opaque = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb a = icon.pixel(x, y), b = mark.pixel(x, y);
                opaque += qAlpha(b) == 255;
                differing += std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                       std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))}) > 24;
            }
        }
        EXPECT_GT(opaque, size * size / 2) << size;
        EXPECT_LE(differing, size * size / 200) << size << " px: " << differing << " pixels differ";
    }
}

}  // namespace
