#pragma once
// The panel's colours and fonts in one place.
//
// A Tint names a colour by its role and an opacity, and is resolved against the palette of the view
// that draws it, at paint time: a view follows a change of appearance by repainting.
//
// Besides the Theme and Brand colours, the panel's views use the platform's hierarchical styles. They
// map onto the palette here and nowhere else:
//   primary    the palette's window text
//   secondary  window text at 55 %
//   tertiary   window text at 30 %
//   accent     the palette's highlight
//   systemRed  #FF3B30 in the light appearance, #FF453A in the dark one
//
// Fonts are cached per size and weight, since every row asks for the same few; so are the widths of
// texts in them: hundreds of rows show the same figures ("0.0%", "84 MB"), and shaping them again on
// every reload is what a refresh would spend most of its time on. Main thread only.

#include <QColor>
#include <QFont>
#include <QPalette>

#include "Shared/Brand/Palette.h"

struct Tint {
    enum class Source { clear, theme, brand, primary, secondary, tertiary, accent, systemRed, white };

    Source source = Source::clear;
    ThemeColor theme = ThemeColor::ink;  // for Source::theme
    BrandColor brand = BrandColor::alive;  // for Source::brand
    qreal opacity = 1.0;

    static Tint of(ThemeColor color, qreal opacity = 1.0) { return {Source::theme, color, {}, opacity}; }
    static Tint of(BrandColor color, qreal opacity = 1.0) { return {Source::brand, {}, color, opacity}; }
    static Tint primary(qreal opacity = 1.0) { return {Source::primary, {}, {}, opacity}; }
    static Tint secondary() { return {Source::secondary}; }
    static Tint tertiary() { return {Source::tertiary}; }
    static Tint accent() { return {Source::accent}; }
    static Tint systemRed() { return {Source::systemRed}; }
    static Tint white() { return {Source::white}; }
    static Tint clear() { return {}; }

    bool isClear() const { return source == Source::clear || opacity <= 0; }
    QColor resolve(const QPalette& palette) const;

    bool operator==(const Tint&) const = default;
};

namespace PanelStyle {

inline constexpr qreal secondaryOpacity = 0.55;
inline constexpr qreal tertiaryOpacity = 0.30;

// "The system font": the desktop's general font at `size` design points.
const QFont& systemFont(qreal size, QFont::Weight weight = QFont::Normal);
// The system font's monospaced design: the desktop's fixed-pitch font.
const QFont& systemMonoFont(qreal size, QFont::Weight weight = QFont::Normal);
// The monospaced brand font (Theme::mono).
const QFont& monoFont(qreal size, QFont::Weight weight = QFont::Normal);

// The text's width in the font (QFontMetricsF::horizontalAdvance), remembered.
qreal advance(const QFont& font, const QString& text);

}  // namespace PanelStyle
