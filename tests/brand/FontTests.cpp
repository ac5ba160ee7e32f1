// The fonts as the font database delivers them: the face each weight picks, sizes in design
// points, and what happens when a face cannot be had.

#include <string>
#include <vector>

#include <QFontDatabase>
#include <QFontInfo>
#include <gtest/gtest.h>

#include "App/Brand/Brand.h"
#include "App/Brand/Theme.h"

namespace {

struct WeightCase {
    QFont::Weight weight;
    const char* postScriptName;
};

class MonoWeightTest : public ::testing::TestWithParam<WeightCase> {};

TEST_P(MonoWeightTest, NamesAndLoadsTheFaceForTheWeight) {
    const WeightCase& c = GetParam();
    EXPECT_EQ(Theme::monoPostScript(c.weight).toStdString(), c.postScriptName);

    const QFontInfo info(Theme::mono(11, c.weight));
    EXPECT_EQ(info.family(), "JetBrains Mono");
    EXPECT_TRUE(info.fixedPitch());
    // The face's style is the part of its PostScript name after the family.
    EXPECT_EQ("JetBrainsMono-" + info.styleName().toStdString(), c.postScriptName);
}

INSTANTIATE_TEST_SUITE_P(Weights, MonoWeightTest,
                         ::testing::Values(WeightCase{QFont::Thin, "JetBrainsMono-Regular"},
                                           WeightCase{QFont::ExtraLight, "JetBrainsMono-Regular"},
                                           WeightCase{QFont::Light, "JetBrainsMono-Regular"},
                                           WeightCase{QFont::Normal, "JetBrainsMono-Regular"},
                                           WeightCase{QFont::Medium, "JetBrainsMono-Medium"},
                                           WeightCase{QFont::DemiBold, "JetBrainsMono-SemiBold"},
                                           WeightCase{QFont::Bold, "JetBrainsMono-Bold"},
                                           WeightCase{QFont::ExtraBold, "JetBrainsMono-Bold"},
                                           WeightCase{QFont::Black, "JetBrainsMono-Bold"}));

TEST(BrandFontTest, SemiboldAndHeavierAreManropeSemiBoldLighterIsRegular) {
    auto style = [](QFont::Weight weight) { return QFontInfo(Brand::brandFont(13, weight)).styleName(); };
    EXPECT_EQ(QFontInfo(Brand::brandFont(13, QFont::Medium)).family(), "Manrope");
    EXPECT_EQ(style(QFont::Medium), "Regular");
    EXPECT_EQ(style(QFont::Normal), "Regular");
    EXPECT_EQ(style(QFont::Light), "Regular");
    EXPECT_EQ(style(QFont::DemiBold), "SemiBold");
    EXPECT_EQ(style(QFont::Bold), "SemiBold");
    EXPECT_EQ(style(QFont::Black), "SemiBold");
}

TEST(BrandFontTest, SizesAreDesignPointsOfOneLogicalPixel) {
    EXPECT_EQ(QFontInfo(Brand::brandFont(15, QFont::DemiBold)).pixelSize(), 15);
    EXPECT_EQ(QFontInfo(Theme::mono(11, QFont::Normal)).pixelSize(), 11);
    EXPECT_EQ(QFontInfo(Theme::mono(20, QFont::Normal)).pixelSize(), 20);
}

TEST(BrandFontTest, SizesThatAreNotUsableBecomeTheSmallest) {
    for (qreal size : {0.0, -4.0, std::numeric_limits<qreal>::quiet_NaN(), std::numeric_limits<qreal>::infinity()}) {
        const QFont font = Brand::brandFont(size, QFont::Normal);
        EXPECT_GT(font.pointSizeF(), 0) << size;
        EXPECT_LE(QFontInfo(font).pixelSize(), 1) << size;
    }
}

TEST(BrandFontTest, WithoutTheFaceItIsTheSystemFontOfThatSizeAndWeight) {
    std::vector<std::string> asked;
    const Fonts::FontLookup missing = [&](std::string_view name, qreal) -> std::optional<QFont> {
        asked.emplace_back(name);
        return std::nullopt;
    };
    const QFont font = Brand::brandFont(13, QFont::DemiBold, missing);
    EXPECT_EQ(asked, std::vector<std::string>{"Manrope-SemiBold"});
    EXPECT_EQ(font.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_EQ(font.weight(), QFont::DemiBold);
    EXPECT_EQ(QFontInfo(font).pixelSize(), 13);

    const QFont mono = Theme::mono(11, QFont::Medium, missing);
    EXPECT_EQ(asked.back(), "JetBrainsMono-Medium");
    EXPECT_EQ(mono.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    EXPECT_EQ(mono.weight(), QFont::Medium);
    EXPECT_EQ(QFontInfo(mono).pixelSize(), 11);
}

TEST(FontLookupTest, KnowsOnlyTheProductsOwnFaces) {
    EXPECT_TRUE(Fonts::fontNamed("Manrope-Regular", 12).has_value());
    EXPECT_TRUE(Fonts::fontNamed("JetBrainsMono-Bold", 12).has_value());
    EXPECT_FALSE(Fonts::fontNamed("Manrope-Hairline", 12).has_value());
    EXPECT_FALSE(Fonts::fontNamed("Helvetica", 12).has_value());
    EXPECT_FALSE(Fonts::fontNamed("", 12).has_value());
}

}  // namespace
