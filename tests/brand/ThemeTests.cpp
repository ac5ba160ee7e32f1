// Colours resolved for the appearance of the view that draws them, the appearance the desktop
// prefers, and the faces each weight picks.

#include <gtest/gtest.h>
#include <QDBusVariant>
#include <QFontDatabase>
#include <QFontInfo>
#include <QWidget>

#include <string>
#include <vector>

#include "Look/Appearance.h"
#include "Look/Brand.h"
#include "Look/Theme.h"

namespace {

TEST(ThemeColor, EachViewGetsTheValueOfTheAppearanceItsPaletteGives) {
    const std::tuple<ThemeColor, QRgb, QRgb> themed[] = {{ThemeColor::card, 0x1C1E1D, 0xFFFFFF},
                                                         {ThemeColor::alive, 0x5DF8D8, 0x0E7C6B},
                                                         {ThemeColor::red, 0xFF5B60, 0xE5484D}};
    QWidget window;
    const QWidget* child = new QWidget(&window);  // takes the appearance of the palette it inherits
    for (const bool dark : {true, false}) {
        // Qt derives the text colour from the window's: light on dark, dark on light.
        window.setPalette(QPalette(dark ? QColor(0x20, 0x20, 0x20) : QColor(0xF6, 0xF6, 0xF6)));
        for (const auto& [color, darkValue, lightValue] : themed)
            EXPECT_EQ(Theme::color(color, *child), QColor(dark ? darkValue : lightValue)) << int(color) << dark;
        EXPECT_EQ(Brand::color(BrandColor::aliveMark, child->palette()), QColor(dark ? 0x5DF8D8 : 0x0D9488));
    }
    QPalette flat(QColor(0x80, 0x80, 0x80));  // window and text equally light match neither appearance: light
    flat.setColor(QPalette::WindowText, flat.color(QPalette::Window));
    EXPECT_FALSE(Theme::isDark(flat));
}

// What the portal's color-scheme value says, however deeply wrapped, and the palette each preference
// gives, whichever palette Qt started with.
TEST(Appearance, ThePortalsPreferenceChoosesThePaletteAndAnythingElseLeavesItAsStarted) {
    using Scheme = Platform::ColorSchemePortal::Scheme;
    const auto wrapped = [](QVariant value, int depth) {
        for (int i = 0; i < depth; ++i) value = QVariant::fromValue(QDBusVariant(value));
        return value;
    };
    for (int depth : {0, 1, 2}) {
        EXPECT_EQ(Platform::ColorSchemePortal::schemeOf(wrapped(QVariant(1u), depth)), Scheme::dark) << depth;
        EXPECT_EQ(Platform::ColorSchemePortal::schemeOf(wrapped(QVariant(2u), depth)), Scheme::light) << depth;
        EXPECT_EQ(Platform::ColorSchemePortal::schemeOf(wrapped(QVariant(0u), depth)), Scheme::noPreference) << depth;
    }
    EXPECT_EQ(Platform::ColorSchemePortal::schemeOf(QVariant(qint32(1))), Scheme::dark);
    for (const QVariant& odd : {QVariant(3u), QVariant(-1), QVariant(QStringLiteral("1")), QVariant(true),
                                QVariant(1.0), QVariant(), wrapped(QVariant(QStringLiteral("dark")), 1)})
        EXPECT_FALSE(Platform::ColorSchemePortal::schemeOf(odd)) << odd.typeName();

    const QPalette light(QColor(0xEF, 0xEF, 0xEF)), dark(QColor(0x20, 0x20, 0x20));
    for (const QPalette& started : {light, dark}) {
        EXPECT_EQ(Appearance::paletteFor(Scheme::noPreference, started, light), started);
        EXPECT_TRUE(Theme::isDark(Appearance::paletteFor(Scheme::dark, started, light)));
        EXPECT_FALSE(Theme::isDark(Appearance::paletteFor(Scheme::light, started, light)));
    }
    // A palette that is already of the preferred appearance stays (a desktop theme's own).
    EXPECT_EQ(Appearance::paletteFor(Scheme::dark, dark, light), dark);
    EXPECT_EQ(Appearance::paletteFor(Scheme::light, light, QPalette(Qt::white)), light);
    // The dark palette's texts are the Theme's dark ink, on grounds darker than the cards.
    const QPalette ours = Appearance::darkPalette();
    EXPECT_EQ(ours.color(QPalette::WindowText), Theme::color(ThemeColor::ink, true));
    EXPECT_LT(ours.color(QPalette::Window).lightnessF(), Theme::color(ThemeColor::card, true).lightnessF());
}

TEST(Fonts, EachWeightLoadsItsFaceOrElseTheSystemFontOfThatSizeAndWeight) {
    const std::tuple<QFont::Weight, const char*, const char*> cases[] = {
        {QFont::Thin, "Regular", "Regular"},  {QFont::Normal, "Regular", "Regular"},
        {QFont::Medium, "Medium", "Regular"}, {QFont::DemiBold, "SemiBold", "SemiBold"},
        {QFont::Bold, "Bold", "SemiBold"},    {QFont::Black, "Bold", "SemiBold"},
    };
    for (const auto& [weight, mono, brand] : cases) {
        EXPECT_EQ(Theme::monoPostScript(weight).toStdString(), std::string("JetBrainsMono-") + mono);
        const QFontInfo monoFace(Theme::mono(11, weight)), brandFace(Brand::brandFont(13, weight));
        EXPECT_EQ(monoFace.family(), "JetBrains Mono");
        EXPECT_EQ(monoFace.styleName(), mono) << weight;
        EXPECT_EQ(brandFace.family(), "Manrope");
        EXPECT_EQ(brandFace.styleName(), brand) << weight;
    }
    for (qreal unusable :
         {0.0, -4.0, std::numeric_limits<qreal>::quiet_NaN(), std::numeric_limits<qreal>::infinity()}) {
        EXPECT_LE(QFontInfo(Brand::brandFont(unusable, QFont::Normal)).pixelSize(), 1) << unusable;
    }
    std::vector<std::string> asked;
    const Fonts::FontLookup missing = [&](std::string_view name, qreal) -> std::optional<QFont> {
        asked.emplace_back(name);
        return std::nullopt;
    };
    const QFont brand = Brand::brandFont(13, QFont::DemiBold, missing), mono = Theme::mono(11, QFont::Medium, missing);
    EXPECT_EQ(asked, (std::vector<std::string>{"Manrope-SemiBold", "JetBrainsMono-Medium"}));
    EXPECT_EQ(brand.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_EQ(brand.weight(), QFont::DemiBold);
    EXPECT_EQ(QFontInfo(brand).pixelSize(), 13);
    EXPECT_EQ(mono.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    EXPECT_EQ(mono.weight(), QFont::Medium);
}

}  // namespace
