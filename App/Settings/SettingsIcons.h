#pragma once
// The small line icons of the settings: the gear (the panel's gear button and the General tab) and
// the filter disc (the Filters tab), drawn as thin strokes in one colour, in the spirit of the
// light-weight icon set the panel uses. Main thread only.

#include <QColor>
#include <QIcon>
#include <QRectF>

class QPainter;

namespace SettingsIcons {

// A gear with eight teeth around a hole, filling `bounds`.
void paintGear(QPainter& painter, const QRectF& bounds, const QColor& color);

// A circle holding three horizontal lines that get shorter downwards.
void paintFilterDisc(QPainter& painter, const QRectF& bounds, const QColor& color);

// Either drawing as an icon of `size` pixels for the given device pixel ratio.
QIcon gearIcon(int size, const QColor& color, qreal devicePixelRatio);
QIcon filterDiscIcon(int size, const QColor& color, qreal devicePixelRatio);

}  // namespace SettingsIcons
