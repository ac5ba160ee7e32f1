#include "Controls/Tint.h"

#include <algorithm>

#include "Look/Brand.h"
#include "Look/Theme.h"

QColor Tint::resolve(const QPalette& palette) const {
    QColor color;
    switch (source) {
    case Source::clear: return QColor(Qt::transparent);
    case Source::theme: color = Theme::color(theme, palette); break;
    case Source::brand: color = Brand::color(brand, palette); break;
    case Source::primary: color = palette.color(QPalette::WindowText); break;
    case Source::secondary:
        color = palette.color(QPalette::WindowText);
        color.setAlphaF(color.alphaF() * float(secondaryOpacity));
        break;
    case Source::tertiary:
        color = palette.color(QPalette::WindowText);
        color.setAlphaF(color.alphaF() * float(tertiaryOpacity));
        break;
    case Source::accent: color = palette.color(QPalette::Highlight); break;
    case Source::systemRed: color = Theme::isDark(palette) ? QColor(0xFF, 0x45, 0x3A) : QColor(0xFF, 0x3B, 0x30); break;
    case Source::white: color = QColor(Qt::white); break;
    }
    color.setAlphaF(color.alphaF() * float(std::clamp(opacity, 0.0, 1.0)));
    return color;
}
