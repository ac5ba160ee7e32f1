#include "Look/Theme.h"

#include <QWidget>

#include "Look/QtColor.h"

bool Theme::isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF();
}

QColor Theme::color(ThemeColor color, bool dark) { return toQColor(colorPair(color).resolved(dark)); }

QColor Theme::color(ThemeColor color, const QPalette& palette) { return Theme::color(color, isDark(palette)); }

QColor Theme::color(ThemeColor color, const QWidget& widget) { return Theme::color(color, widget.palette()); }

QString Theme::monoPostScript(QFont::Weight weight) {
    const std::string_view name = monoFace(Fonts::fontWeight(weight)).postScriptName;
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

QFont Theme::mono(qreal size, QFont::Weight weight) { return mono(size, weight, Fonts::fontNamed); }

QFont Theme::mono(qreal size, QFont::Weight weight, const Fonts::FontLookup& lookup) {
    if (std::optional<QFont> font = lookup(monoFace(Fonts::fontWeight(weight)).postScriptName, size)) return *font;
    return Fonts::systemFixedFont(size, weight);
}
