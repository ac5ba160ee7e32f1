#pragma once
// The icon images the views draw, by asset name: the Phosphor light icons ("ph-gear-light", ...)
// and the few platform symbols drawn with their nearest Phosphor icon ("folder", "xmark",
// "arrow.up.arrow.down", "exclamationmark.triangle.fill"). The SVGs are compiled into the program;
// each image is drawn in one colour, the tint its view gives it, sharp at any pixel ratio.
// Needs a QGuiApplication; main thread only.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QSize>

#include <string_view>

class QPainter;

namespace Icons {

// The image fitted into `size` logical pixels (aspect kept, centred), in `tint`, for the given device
// pixel ratio. A null pixmap for an unknown name or an empty size.
QPixmap pixmap(std::string_view name, QSize size, const QColor& tint, qreal devicePixelRatio = 1.0);

// Draws the image fitted into `rect` in `tint`; nothing for an unknown name. The rendered images
// are cached: views draw the same few icons on every paint.
void paint(QPainter& painter, const QRectF& rect, std::string_view name, const QColor& tint);

// The image as an icon (for menus and tool buttons), in `tint`, at the usual small sizes.
QIcon icon(std::string_view name, const QColor& tint);

}  // namespace Icons
