#pragma once
// The brand: its colours, its typeface (Manrope) and the wordmark, the ghost logo beside the
// lower-case product name.

#include <QColor>
#include <QFont>
#include <QPalette>

#include "Look/Fonts.h"
#include "Shared/Brand/Palette.h"

class QWidget;

namespace Brand {

// Resolved for the appearance as Theme::color does (see Theme::isDark).
QColor color(BrandColor color, bool dark);
QColor color(BrandColor color, const QPalette& palette);

// "Manrope-SemiBold" when `weight` is semibold or heavier, else "Manrope-Regular", at `size`
// design points; when that face cannot be had, the desktop's font at that size and weight.
// `lookup` finds faces by name.
QFont brandFont(qreal size, QFont::Weight weight);
QFont brandFont(qreal size, QFont::Weight weight, const Fonts::FontLookup& lookup);

// A new wordmark view (see Wordmark.h) at `size` design points.
QWidget* wordmark(qreal size, QWidget* parent = nullptr);

}  // namespace Brand
