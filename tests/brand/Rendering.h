#pragma once
// Looking at what the brand's views draw: palettes for each appearance, a widget rendered into an
// image, and where its ink lies.

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QRectF>
#include <QWidget>

#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>

namespace brand_testing {

inline QPalette palette(bool dark, QColor text) {
    QPalette palette;
    palette.setColor(QPalette::Window, dark ? QColor(0x20, 0x20, 0x20) : QColor(0xF6, 0xF6, 0xF6));
    palette.setColor(QPalette::WindowText, text);
    return palette;
}
inline QPalette darkPalette(QColor text = QColor(0xEE, 0xEE, 0xEE)) { return palette(true, text); }
inline QPalette lightPalette(QColor text = Qt::black) { return palette(false, text); }

// The widget drawn over a transparent backdrop without its own background, at `pixelRatio` device
// pixels per logical pixel; pixels are read back unpremultiplied.
inline QImage render(QWidget& widget, qreal pixelRatio = 1) {
    QImage image(widget.size() * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The smallest logical rectangle holding every device pixel of at least half coverage that passes
// `accept`.
inline QRectF inkBounds(const QImage& image, const std::function<bool(QColor)>& accept) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor color = image.pixelColor(x, y);
            if (color.alpha() < 128 || !accept(color)) continue;
            left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    const qreal ratio = image.devicePixelRatio();
    return right < 0 ? QRectF() : QRectF(left / ratio, top / ratio, (right + 1 - left) / ratio, (bottom + 1 - top) / ratio);
}

// Equal within `tolerance` in each of the four channels.
inline ::testing::AssertionResult colorNear(QColor actual, QColor expected, int tolerance = 2) {
    for (auto channel : {&QColor::red, &QColor::green, &QColor::blue, &QColor::alpha}) {
        if (std::abs((actual.*channel)() - (expected.*channel)()) > tolerance) {
            return ::testing::AssertionFailure() << "pixel " << actual.name(QColor::HexArgb).toStdString()
                                                 << ", expected " << expected.name(QColor::HexArgb).toStdString();
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace brand_testing
