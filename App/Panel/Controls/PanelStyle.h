#pragma once
// The panel's colours and fonts in one place: the tints (Controls/Tint.h) its views are drawn in,
// and its fonts, cached per size and weight, since every row asks for the same few. Main thread
// only.

#include <QFont>

#include "Controls/Tint.h"

namespace PanelStyle {

// "The system font": the desktop's general font at `size` design points.
const QFont& systemFont(qreal size, QFont::Weight weight = QFont::Normal);
// The system font's monospaced design: the desktop's fixed-pitch font.
const QFont& systemMonoFont(qreal size, QFont::Weight weight = QFont::Normal);
// The monospaced brand font (Theme::mono).
const QFont& monoFont(qreal size, QFont::Weight weight = QFont::Normal);

}  // namespace PanelStyle
