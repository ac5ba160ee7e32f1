// The faces each weight picks as the font database delivers them, and what happens when a face
// cannot be had.

#include <string>
#include <vector>

#include <QFontDatabase>
#include <QFontInfo>
#include <gtest/gtest.h>

#include "App/Brand/Brand.h"
#include "App/Brand/Theme.h"

namespace {

TEST(Fonts, EachWeightLoadsItsFace) {
    struct Case {
        QFont::Weight weight;
        const char *mono, *brand;
    };
    const Case cases[] = {
        {QFont::Thin, "Regular", "Regular"},       {QFont::Light, "Regular", "Regular"},
        {QFont::Normal, "Regular", "Regular"},     {QFont::Medium, "Medium", "Regular"},
        {QFont::DemiBold, "SemiBold", "SemiBold"}, {QFont::Bold, "Bold", "SemiBold"},
        {QFont::Black, "Bold", "SemiBold"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Theme::monoPostScript(c.weight).toStdString(), std::string("JetBrainsMono-") + c.mono);
        const QFontInfo mono(Theme::mono(11, c.weight)), brand(Brand::brandFont(13, c.weight));
        EXPECT_EQ(mono.family(), "JetBrains Mono");
        EXPECT_TRUE(mono.fixedPitch());
        EXPECT_EQ(mono.styleName(), c.mono) << c.weight;
        EXPECT_EQ(mono.pixelSize(), 11);
        EXPECT_EQ(brand.family(), "Manrope");
        EXPECT_EQ(brand.styleName(), c.brand) << c.weight;
        EXPECT_EQ(brand.pixelSize(), 13);
    }
    for (qreal unusable : {0.0, -4.0, std::numeric_limits<qreal>::quiet_NaN(), std::numeric_limits<qreal>::infinity()}) {
        EXPECT_LE(QFontInfo(Brand::brandFont(unusable, QFont::Normal)).pixelSize(), 1) << unusable;
    }
}

TEST(Fonts, WithoutTheFaceItIsTheSystemFontOfThatSizeAndWeight) {
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
    EXPECT_EQ(QFontInfo(mono).pixelSize(), 11);
}

}  // namespace
