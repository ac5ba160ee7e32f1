#pragma once
// The widths of texts in fonts, remembered: hundreds of rows show the same figures ("0.0%",
// "84 MB"), and shaping them again on every reload is what a refresh would spend most of its time
// on. Main thread only.

#include <QFont>
#include <QString>

namespace TextWidths {

// The text's width in the font (QFontMetricsF::horizontalAdvance), remembered.
qreal advance(const QFont& font, const QString& text);

}  // namespace TextWidths
