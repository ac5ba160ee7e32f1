#include "App/StatusTile/StatusImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "Look/Brand.h"
#include "Look/GhostPath.h"
#include "Look/Theme.h"
#include "Shared/Brand/GhostGeometry.h"

namespace StatusImages {
namespace {

// The ghost sits in a square grid of this many units, leaving room for the pulse's 1.18 peak and the
// outline's width.
constexpr double canvasUnits = 176;

QColor stateColour(const QString& name) {
    // The dark-appearance values: the brighter ones, which stay vivid on both light and dark panels
    // once outlined in ink.
    if (name == QLatin1String("StatusTile-idle")) return Theme::color(ThemeColor::faint, false);
    if (name == QLatin1String("StatusTile-running")) return Brand::color(BrandColor::markMint, true);
    if (name == QLatin1String("StatusTile-energy")) return Theme::color(ThemeColor::amber, true);
    if (name == QLatin1String("StatusTile-new")) return Theme::color(ThemeColor::port, true);
    if (name == QLatin1String("StatusTile-conflict")) return Theme::color(ThemeColor::red, true);
    return {};
}

}  // namespace

QColor fillColour(const QString& name) { return stateColour(name); }

QImage image(const QString& name, int size) {
    const QColor fill = stateColour(name);
    if (!fill.isValid() || size < 1) return {};

    QImage canvas(size, size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);

    const double unit = size / canvasUnits;
    const QRectF ghost((canvasUnits - Ghost::gridWidth) / 2 * unit, (canvasUnits - Ghost::gridHeight) / 2 * unit,
                       Ghost::gridWidth * unit, Ghost::gridHeight * unit);
    const QColor ink = Brand::color(BrandColor::inkOutline, false);
    const QPainterPath body = GhostPath(ghost, false);

    painter.fillPath(body, fill);
    QPen outline(ink, Ghost::outlineWidth * unit, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    outline.setMiterLimit(10);
    painter.strokePath(body, outline);
    painter.fillPath(GhostEyes(ghost), ink);
    return canvas;
}

QImage pulseFrame(const QImage& image, double scale, double opacity) {
    if (image.isNull()) return {};
    QImage frame(image.size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(opacity);
    const QPointF centre(image.width() / 2.0, image.height() / 2.0);
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
    painter.drawImage(QPointF(0, 0), image);
    return frame;
}

}  // namespace StatusImages
