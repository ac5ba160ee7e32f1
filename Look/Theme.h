#pragma once
// The interface colours, each resolved for the appearance of the view that draws it, and the
// monospaced font for ports, numbers and commands.
//
// Qt 6.4 has no colour-scheme API, so the appearance is read from the palette a widget draws
// with: dark when its window colour is darker than its text colour. The application's palette
// follows the desktop's preference (Appearance.h).

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include "Look/Fonts.h"
#include "Shared/Brand/Palette.h"

class QWidget;

namespace Theme {

// True when the window colour's lightness is below the window-text colour's. A palette where the
// two are equally light matches neither appearance and counts as light.
bool isDark(const QPalette& palette);

QColor color(ThemeColor color, bool dark);
QColor color(ThemeColor color, const QPalette& palette);
QColor color(ThemeColor color, const QWidget& widget);

// The PostScript name of the monospaced face for a weight (see Theme::monoFace).
QString monoPostScript(QFont::Weight weight);

// The monospaced face for the weight at `size` design points; the desktop's fixed-pitch font at
// that size and weight when the face cannot be had. `lookup` finds faces by name.
QFont mono(qreal size, QFont::Weight weight = QFont::Normal);
QFont mono(qreal size, QFont::Weight weight, const Fonts::FontLookup& lookup);

}  // namespace Theme
