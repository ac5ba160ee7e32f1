#pragma once
// Plain colour values as Qt colours.

#include <QColor>

#include "Shared/Brand/ColorPair.h"

inline QColor toQColor(const RGBA& color) {
    return QColor::fromRgbF(float(color.red), float(color.green), float(color.blue), float(color.alpha));
}
