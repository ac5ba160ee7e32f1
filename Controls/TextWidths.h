#pragma once
// The widths of texts in fonts, remembered: hundreds of rows show the same figures ("0.0%",
// "84 MB"), and shaping them again on every reload is what a refresh would spend most of its time
// on. Main thread only.
//
// Remembered in two generations: the texts measured since the last turn and those of the turn
// before. A text measured again moves to the newer one; a turn comes once the newer generation
// holds generationSize texts, and drops the older. So what the rows keep showing stays, while the
// texts of servers that have gone (their commands, ports and paths) and figures that have moved on
// are forgotten: however many servers come and go, at most twice generationSize texts are kept.

#include <QFont>
#include <QString>

#include <cstddef>

namespace TextWidths {

// Room for what a reload of several hundred rows measures, their repeated figures counted once.
inline constexpr std::size_t generationSize = 2048;

// The text's width in the font (QFontMetricsF::horizontalAdvance), remembered.
qreal advance(const QFont& font, const QString& text);

// How many texts (in every font) are remembered now.
std::size_t rememberedTexts();

}  // namespace TextWidths
