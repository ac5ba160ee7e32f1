#pragma once
// The ghost logo's shapes, fitted to a rectangle: its 120 by 132 grid stretched to the rectangle's
// width and height (see Shared/Brand/GhostGeometry.h).

#include <QPainterPath>
#include <QRectF>

// The body outline. With `includesEyes` the eyes are added as holes: filled, the path leaves them
// open (both fill rules agree).
QPainterPath GhostPath(const QRectF& rect, bool includesEyes = false);

// The two eyes alone.
QPainterPath GhostEyes(const QRectF& rect);
