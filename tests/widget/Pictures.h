#pragma once
// Looking for things on the widget's picture by their colour: antialiased text and icons have some
// pixels at (nearly) their full colour.

#include <QColor>
#include <QImage>
#include <QPoint>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace widget_test {

inline bool near(QRgb pixel, QColor color, int tolerance) {
    return std::abs(qRed(pixel) - color.red()) + std::abs(qGreen(pixel) - color.green()) +
               std::abs(qBlue(pixel) - color.blue()) <=
           tolerance;
}

// The middle of the box around every pixel of that colour; none when there is none.
inline std::optional<QPoint> centreOf(const QImage& image, QColor color, int tolerance = 0) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (near(image.pixel(x, y), color, tolerance)) box |= QRect(x, y, 1, 1);
    return box.isNull() ? std::nullopt : std::optional(box.center());
}

inline bool holdsColor(const QImage& image, QColor color) { return centreOf(image, color).has_value(); }

}  // namespace widget_test
