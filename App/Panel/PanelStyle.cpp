#include "App/Panel/PanelStyle.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include <QFontMetricsF>
#include <QHash>

#include "App/Brand/Brand.h"
#include "App/Brand/Theme.h"

QColor Tint::resolve(const QPalette& palette) const {
    QColor color;
    switch (source) {
    case Source::clear: return QColor(Qt::transparent);
    case Source::theme: color = Theme::color(theme, palette); break;
    case Source::brand: color = Brand::color(brand, palette); break;
    case Source::primary: color = palette.color(QPalette::WindowText); break;
    case Source::secondary:
        color = palette.color(QPalette::WindowText);
        color.setAlphaF(color.alphaF() * float(PanelStyle::secondaryOpacity));
        break;
    case Source::tertiary:
        color = palette.color(QPalette::WindowText);
        color.setAlphaF(color.alphaF() * float(PanelStyle::tertiaryOpacity));
        break;
    case Source::accent: color = palette.color(QPalette::Highlight); break;
    case Source::systemRed: color = Theme::isDark(palette) ? QColor(0xFF, 0x45, 0x3A) : QColor(0xFF, 0x3B, 0x30); break;
    case Source::white: color = QColor(Qt::white); break;
    }
    color.setAlphaF(color.alphaF() * float(std::clamp(opacity, 0.0, 1.0)));
    return color;
}

namespace PanelStyle {
namespace {

enum class Family { system, systemMono, mono };

const QFont& cachedFont(Family family, qreal size, QFont::Weight weight) {
    // Sizes are kept to a hundredth of a point, which is finer than any view asks for.
    static std::map<std::tuple<Family, long, int>, QFont> fonts;
    const auto key = std::make_tuple(family, std::lround(size * 100), int(weight));
    auto found = fonts.find(key);
    if (found == fonts.end()) {
        QFont font = family == Family::mono         ? Theme::mono(size, weight)
                     : family == Family::systemMono ? Fonts::systemFixedFont(size, weight)
                                                    : Fonts::systemFont(size, weight);
        found = fonts.emplace(key, font).first;
    }
    return found->second;
}

}  // namespace

const QFont& systemFont(qreal size, QFont::Weight weight) { return cachedFont(Family::system, size, weight); }
const QFont& systemMonoFont(qreal size, QFont::Weight weight) { return cachedFont(Family::systemMono, size, weight); }
const QFont& monoFont(qreal size, QFont::Weight weight) { return cachedFont(Family::mono, size, weight); }

qreal advance(const QFont& font, const QString& text) {
    // Enough for every figure a few hundred rows show; emptied rather than grown past it.
    constexpr qsizetype limit = 4096;
    static QHash<QFont, QHash<QString, qreal>> widths;  // by font, then text
    QHash<QString, qreal>& inFont = widths[font];
    if (const auto found = inFont.constFind(text); found != inFont.constEnd()) return *found;
    if (inFont.size() >= limit) inFont.clear();
    return inFont[text] = QFontMetricsF(font).horizontalAdvance(text);
}

}  // namespace PanelStyle
