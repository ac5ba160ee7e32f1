#pragma once
// A colour named by its role and an opacity, resolved against the palette of the view that draws
// it, at paint time: a view follows a change of appearance by repainting.
//
// Besides the Theme and Brand colours, views use the platform's hierarchical styles. They map onto
// the palette here and nowhere else:
//   primary    the palette's window text
//   secondary  window text at 55 %
//   tertiary   window text at 30 %
//   accent     the palette's highlight
//   systemRed  #FF3B30 in the light appearance, #FF453A in the dark one

#include <QColor>
#include <QPalette>

#include "Shared/Brand/Palette.h"

struct Tint {
    enum class Source { clear, theme, brand, primary, secondary, tertiary, accent, systemRed, white };

    static constexpr qreal secondaryOpacity = 0.55;
    static constexpr qreal tertiaryOpacity = 0.30;

    Source source = Source::clear;
    ThemeColor theme = ThemeColor::ink;    // for Source::theme
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
