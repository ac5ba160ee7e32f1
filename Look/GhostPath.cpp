#include "Look/GhostPath.h"

#include "Shared/Brand/GhostGeometry.h"

namespace {

struct GridMapping {
    QRectF rect;
    QPointF operator()(Ghost::GridPoint point) const {
        return {rect.x() + point.x * rect.width() / Ghost::gridWidth,
                rect.y() + point.y * rect.height() / Ghost::gridHeight};
    }
    QRectF operator()(const Ghost::GridRect& box) const {
        return {(*this)(Ghost::GridPoint{box.x, box.y}),
                (*this)(Ghost::GridPoint{box.x + box.width, box.y + box.height})};
    }
};

}  // namespace

QPainterPath GhostPath(const QRectF& rect, bool includesEyes) {
    const GridMapping map{rect};
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const Ghost::PathSegment& segment : Ghost::outline()) {
        switch (segment.kind) {
        case Ghost::PathSegment::Kind::move: path.moveTo(map(segment.to)); break;
        case Ghost::PathSegment::Kind::line: path.lineTo(map(segment.to)); break;
        case Ghost::PathSegment::Kind::curve:
            path.cubicTo(map(segment.control1), map(segment.control2), map(segment.to));
            break;
        case Ghost::PathSegment::Kind::close: path.closeSubpath(); break;
        }
    }
    // The eyes run the other way round from the outline, so under either fill rule they stay open.
    if (includesEyes) path.addPath(GhostEyes(rect));
    return path;
}

QPainterPath GhostEyes(const QRectF& rect) {
    const GridMapping map{rect};
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    // Counter-clockwise on screen, against the outline; addEllipse would run clockwise like it.
    for (const Ghost::GridRect& eye : Ghost::eyes()) {
        const QRectF box = map(eye);
        path.moveTo(box.right(), box.center().y());
        path.arcTo(box, 0, 360);
        path.closeSubpath();
    }
    return path;
}
