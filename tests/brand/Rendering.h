#pragma once
// Helpers for looking at what the brand's views draw: render a widget into an image and read its
// pixels, with palettes for each appearance.

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QRectF>

#include <functional>

#include <gtest/gtest.h>

class QWidget;

namespace brand_testing {

// Window dark, text light; and the reverse.
QPalette darkPalette(QColor text = QColor(0xEE, 0xEE, 0xEE));
QPalette lightPalette(QColor text = Qt::black);

// The widget drawn over `backdrop` (transparent by default) without its own background, at
// `pixelRatio` device pixels per logical pixel; pixels are read back unpremultiplied.
QImage render(QWidget& widget, qreal pixelRatio = 1, QColor backdrop = Qt::transparent);

// The smallest logical rectangle holding every device pixel that passes `accept` with at least half
// coverage.
QRectF inkBounds(const QImage& image, const std::function<bool(QColor)>& accept);

// Equal within `tolerance` in each of the four channels.
::testing::AssertionResult colorNear(QColor actual, QColor expected, int tolerance = 2);

}  // namespace brand_testing
