#include "brand/Rendering.h"

#include <cstdlib>

#include <QPainter>
#include <QWidget>

namespace brand_testing {

QPalette darkPalette(QColor text) {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    palette.setColor(QPalette::WindowText, text);
    return palette;
}

QPalette lightPalette(QColor text) {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0xF6, 0xF6, 0xF6));
    palette.setColor(QPalette::WindowText, text);
    return palette;
}

QImage render(QWidget& widget, qreal pixelRatio, QColor backdrop) {
    QImage image(widget.size() * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(backdrop);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_ARGB32);
}

QRectF inkBounds(const QImage& image, const std::function<bool(QColor)>& accept) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor color = image.pixelColor(x, y);
            if (color.alpha() < 128 || !accept(color)) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    if (right < 0) return {};
    const qreal ratio = image.devicePixelRatio();
    return QRectF(left / ratio, top / ratio, (right + 1 - left) / ratio, (bottom + 1 - top) / ratio);
}

::testing::AssertionResult colorNear(QColor actual, QColor expected, int tolerance) {
    const bool near = std::abs(actual.red() - expected.red()) <= tolerance &&
                      std::abs(actual.green() - expected.green()) <= tolerance &&
                      std::abs(actual.blue() - expected.blue()) <= tolerance &&
                      std::abs(actual.alpha() - expected.alpha()) <= tolerance;
    if (near) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel " << actual.name(QColor::HexArgb).toStdString() << ", expected "
                                         << expected.name(QColor::HexArgb).toStdString();
}

}  // namespace brand_testing
