#include "Look/GhostMark.h"

#include <QPainter>
#include <QPen>

#include "Look/Brand.h"
#include "Look/GhostPath.h"
#include "Look/Theme.h"
#include "Shared/Brand/GhostGeometry.h"

GhostMark::GhostMark(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize GhostMark::sizeHint() const { return {int(Ghost::markGridWidth), int(Ghost::markGridHeight)}; }

void GhostMark::paint(QPainter& painter, const QRectF& bounds, bool dark) {
    const qreal unitX = bounds.width() / Ghost::markGridWidth;
    const qreal unitY = bounds.height() / Ghost::markGridHeight;
    const QRectF ghost(bounds.x() + Ghost::markMargin * unitX, bounds.y() + Ghost::markMargin * unitY,
                       Ghost::gridWidth * unitX, Ghost::gridHeight * unitY);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (dark) {
        painter.setBrush(Brand::color(BrandColor::aliveMark, true));
        painter.drawPath(GhostPath(ghost, true));
    } else {
        const QPainterPath body = GhostPath(ghost, false);
        const QColor ink = Brand::color(BrandColor::inkOutline, false);
        painter.setBrush(Brand::color(BrandColor::markMint, false));
        painter.drawPath(body);

        QPen outline(ink, Ghost::outlineWidth * unitX, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
        outline.setMiterLimit(10);
        painter.strokePath(body, outline);

        painter.setBrush(ink);
        painter.drawPath(GhostEyes(ghost));
    }
    painter.restore();
}

void GhostMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), Theme::isDark(palette()));
}
