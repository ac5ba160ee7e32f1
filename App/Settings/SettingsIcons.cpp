#include "App/Settings/SettingsIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>
#include <numbers>

namespace {

// The light weight: a stroke of 12 units in a 256-unit icon, never thinner than one pixel.
QPen lightPen(const QRectF& bounds, const QColor& color) {
    QPen pen(color, std::max(1.0, bounds.width() * 12.0 / 256.0 * 1.4));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QPointF onCircle(const QPointF& centre, qreal radius, qreal degrees) {
    const qreal radians = degrees * std::numbers::pi / 180.0;
    return centre + QPointF(radius * std::cos(radians), radius * std::sin(radians));
}

QIcon drawnIcon(int size, qreal ratio, const std::function<void(QPainter&, const QRectF&)>& draw) {
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, QRectF(0, 0, size, size));
    return QIcon(pixmap);
}

}  // namespace

void SettingsIcons::paintGear(QPainter& painter, const QRectF& bounds, const QColor& color) {
    const QPen pen = lightPen(bounds, color);
    const QRectF box = bounds.adjusted(pen.widthF() / 2, pen.widthF() / 2, -pen.widthF() / 2, -pen.widthF() / 2);
    const QPointF centre = box.center();
    const qreal outer = box.width() / 2, inner = outer * 0.74;
    constexpr int teeth = 8;
    QPainterPath outline;
    for (int tooth = 0; tooth < teeth; ++tooth) {
        const qreal middle = tooth * 360.0 / teeth - 90.0;
        const QPointF points[] = {onCircle(centre, inner, middle - 14), onCircle(centre, outer, middle - 9),
                                  onCircle(centre, outer, middle + 9), onCircle(centre, inner, middle + 14)};
        if (tooth == 0) outline.moveTo(points[0]);
        else outline.lineTo(points[0]);
        for (int i = 1; i < 4; ++i) outline.lineTo(points[i]);
    }
    outline.closeSubpath();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    painter.drawEllipse(centre, outer * 0.32, outer * 0.32);
    painter.restore();
}

void SettingsIcons::paintFilterDisc(QPainter& painter, const QRectF& bounds, const QColor& color) {
    const QPen pen = lightPen(bounds, color);
    const QRectF box = bounds.adjusted(pen.widthF() / 2, pen.widthF() / 2, -pen.widthF() / 2, -pen.widthF() / 2);
    const QPointF centre = box.center();
    const qreal radius = box.width() / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius, radius);
    const qreal halfWidths[] = {radius * 0.56, radius * 0.38, radius * 0.2};
    for (int line = 0; line < 3; ++line) {
        const qreal y = centre.y() + (line - 1) * radius * 0.34;
        painter.drawLine(QPointF(centre.x() - halfWidths[line], y), QPointF(centre.x() + halfWidths[line], y));
    }
    painter.restore();
}

QIcon SettingsIcons::gearIcon(int size, const QColor& color, qreal devicePixelRatio) {
    return drawnIcon(size, devicePixelRatio, [&](QPainter& p, const QRectF& r) { paintGear(p, r, color); });
}

QIcon SettingsIcons::filterDiscIcon(int size, const QColor& color, qreal devicePixelRatio) {
    return drawnIcon(size, devicePixelRatio, [&](QPainter& p, const QRectF& r) { paintFilterDisc(p, r, color); });
}
