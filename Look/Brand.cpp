#include "Look/Brand.h"

#include "Look/QtColor.h"
#include "Look/Theme.h"
#include "Look/Wordmark.h"

QColor Brand::color(BrandColor color, bool dark) { return toQColor(colorPair(color).resolved(dark)); }

QColor Brand::color(BrandColor color, const QPalette& palette) { return Brand::color(color, Theme::isDark(palette)); }

QFont Brand::brandFont(qreal size, QFont::Weight weight) { return brandFont(size, weight, Fonts::fontNamed); }

QFont Brand::brandFont(qreal size, QFont::Weight weight, const Fonts::FontLookup& lookup) {
    if (std::optional<QFont> font = lookup(brandFace(Fonts::fontWeight(weight)).postScriptName, size)) return *font;
    return Fonts::systemFont(size, weight);
}

QWidget* Brand::wordmark(qreal size, QWidget* parent) { return new Wordmark(size, parent); }
