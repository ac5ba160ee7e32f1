// Interface and brand colours as views draw them: each view resolves a colour for the appearance
// its palette gives it, painting over a backdrop shows the translucent ones as they blend.

#include <cmath>

#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

#include "App/Brand/Brand.h"
#include "App/Brand/Theme.h"
#include "brand/Rendering.h"

using namespace brand_testing;

namespace {

// Fills itself with one colour, resolved against its own palette, as the panel's views will.
class Swatch : public QWidget {
public:
    explicit Swatch(std::function<QColor(const QWidget&)> resolve, QWidget* parent = nullptr)
        : QWidget(parent), resolve_(std::move(resolve)) {
        resize(8, 8);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), resolve_(*this));
    }

private:
    std::function<QColor(const QWidget&)> resolve_;
};

QColor drawn(ThemeColor color, const QPalette& palette, QColor backdrop = Qt::transparent) {
    Swatch swatch([color](const QWidget& view) { return Theme::color(color, view); });
    swatch.setPalette(palette);
    return render(swatch, 1, backdrop).pixelColor(4, 4);
}

QColor drawn(BrandColor color, const QPalette& palette) {
    Swatch swatch([color](const QWidget& view) { return Brand::color(color, view.palette()); });
    swatch.setPalette(palette);
    return render(swatch).pixelColor(4, 4);
}

struct OpaqueCase {
    ThemeColor color;
    const char* name;
    QRgb dark, light;
};

class ThemeOpaqueColorTest : public ::testing::TestWithParam<OpaqueCase> {};

TEST_P(ThemeOpaqueColorTest, DrawsTheValueOfTheViewsAppearance) {
    const OpaqueCase& c = GetParam();
    EXPECT_TRUE(colorNear(drawn(c.color, darkPalette()), QColor(c.dark), 0));
    EXPECT_TRUE(colorNear(drawn(c.color, lightPalette()), QColor(c.light), 0));
}

INSTANTIATE_TEST_SUITE_P(
    Colors, ThemeOpaqueColorTest,
    ::testing::Values(OpaqueCase{ThemeColor::card, "card", 0x1C1E1D, 0xFFFFFF},
                      OpaqueCase{ThemeColor::ink, "ink", 0xE7E9E8, 0x1D1D20},
                      OpaqueCase{ThemeColor::heading, "heading", 0xF2F4F3, 0x17191A},
                      OpaqueCase{ThemeColor::secondary, "secondary", 0xA7ADA9, 0x55555C},
                      OpaqueCase{ThemeColor::muted, "muted", 0x8E938F, 0x8A8A92},
                      OpaqueCase{ThemeColor::faint, "faint", 0x6C716D, 0x9A9AA2},
                      OpaqueCase{ThemeColor::alive, "alive", 0x5DF8D8, 0x0E7C6B},
                      OpaqueCase{ThemeColor::port, "port", 0x9D9DFF, 0x2F2FE4},
                      OpaqueCase{ThemeColor::red, "red", 0xFF5B60, 0xE5484D},
                      OpaqueCase{ThemeColor::amber, "amber", 0xE0A030, 0xB4740F},
                      OpaqueCase{ThemeColor::thumb, "thumb", 0x3A3D3B, 0xFFFFFF}),
    [](const auto& info) { return std::string(info.param.name); });

struct OverlayCase {
    ThemeColor color;
    const char* name;
    double darkWhite;     // white at this opacity over a black backdrop
    QRgb lightRgb;        // this colour at `lightOpacity` over a white backdrop
    double lightOpacity;
};

class ThemeOverlayColorTest : public ::testing::TestWithParam<OverlayCase> {};

TEST_P(ThemeOverlayColorTest, BlendsWithWhatLiesBelow) {
    const OverlayCase& c = GetParam();
    const int dark = int(std::lround(255 * c.darkWhite));
    EXPECT_TRUE(colorNear(drawn(c.color, darkPalette(), Qt::black), QColor(dark, dark, dark), 1));

    auto overWhite = [&](int channel) { return int(std::lround(255 + (channel - 255) * c.lightOpacity)); };
    const QColor light(c.lightRgb);
    EXPECT_TRUE(colorNear(drawn(c.color, lightPalette(), Qt::white),
                          QColor(overWhite(light.red()), overWhite(light.green()), overWhite(light.blue())), 1));
}

INSTANTIATE_TEST_SUITE_P(Colors, ThemeOverlayColorTest,
                         ::testing::Values(OverlayCase{ThemeColor::hairline, "hairline", 0.10, 0x000000, 0.08},
                                           OverlayCase{ThemeColor::fieldBg, "fieldBg", 0.06, 0x000000, 0.045},
                                           OverlayCase{ThemeColor::chipBg, "chipBg", 0.08, 0x000000, 0.06},
                                           OverlayCase{ThemeColor::track, "track", 0.10, 0x000000, 0.07},
                                           OverlayCase{ThemeColor::rowHover, "rowHover", 0.06, 0x16191D, 0.05}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ThemeAppearanceTest, APaletteThatIsNeitherDarkNorLightDrawsTheLightValue) {
    QPalette flat;
    flat.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    flat.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    EXPECT_FALSE(Theme::isDark(flat));
    EXPECT_TRUE(colorNear(drawn(ThemeColor::card, flat), QColor(0xFFFFFF), 0));
}

TEST(ThemeAppearanceTest, PalettesQtDerivesFromOneColourAreJudgedByTheirLightness) {
    EXPECT_TRUE(Theme::isDark(QPalette(QColor(0x30, 0x30, 0x30))));
    EXPECT_FALSE(Theme::isDark(QPalette(QColor(0xE0, 0xE0, 0xE0))));
}

TEST(ThemeAppearanceTest, AChildViewTakesTheAppearanceOfThePaletteItInherits) {
    QWidget window;
    Swatch* child = new Swatch([](const QWidget& view) { return Theme::color(ThemeColor::card, view); }, &window);
    window.setPalette(darkPalette());
    EXPECT_TRUE(colorNear(render(*child).pixelColor(4, 4), QColor(0x1C1E1D), 0));
    window.setPalette(lightPalette());
    EXPECT_TRUE(colorNear(render(*child).pixelColor(4, 4), QColor(0xFFFFFF), 0));
}

TEST(BrandColorTest, MarkColoursStayTheSameAndAliveColoursFollowTheAppearance) {
    for (const QPalette& palette : {lightPalette(), darkPalette()}) {
        EXPECT_TRUE(colorNear(drawn(BrandColor::markMint, palette), QColor(0x5DF8D8), 0));
        EXPECT_TRUE(colorNear(drawn(BrandColor::inkOutline, palette), QColor(0x16191D), 0));
    }
    EXPECT_TRUE(colorNear(drawn(BrandColor::aliveMark, lightPalette()), QColor(0x0D9488), 0));
    EXPECT_TRUE(colorNear(drawn(BrandColor::aliveMark, darkPalette()), QColor(0x5DF8D8), 0));
    EXPECT_TRUE(colorNear(drawn(BrandColor::alive, lightPalette()), QColor(0x0E7C6B), 0));
    EXPECT_TRUE(colorNear(drawn(BrandColor::alive, darkPalette()), QColor(0x5DF8D8), 0));
}

}  // namespace
