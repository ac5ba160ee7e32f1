// Colours resolved for the appearance of the view that draws them.

#include <QWidget>
#include <gtest/gtest.h>

#include "App/Brand/Brand.h"
#include "App/Brand/Theme.h"
#include "brand/Rendering.h"

namespace {

using namespace brand_testing;

TEST(ThemeColor, EachViewGetsTheValueOfTheAppearanceItsPaletteGives) {
    struct Case {
        std::function<QColor(const QWidget&)> resolve;
        const char* name;
        QRgb dark, light;
    };
    const Case cases[] = {
        {[](const QWidget& view) { return Theme::color(ThemeColor::card, view); }, "card", 0x1C1E1D, 0xFFFFFF},
        {[](const QWidget& view) { return Theme::color(ThemeColor::alive, view); }, "alive", 0x5DF8D8, 0x0E7C6B},
        {[](const QWidget& view) { return Theme::color(ThemeColor::red, view); }, "red", 0xFF5B60, 0xE5484D},
        {[](const QWidget& view) { return Brand::color(BrandColor::aliveMark, view.palette()); }, "aliveMark", 0x5DF8D8,
         0x0D9488},
        {[](const QWidget& view) { return Brand::color(BrandColor::markMint, view.palette()); }, "markMint", 0x5DF8D8,
         0x5DF8D8},
    };
    QWidget window;
    QWidget* child = new QWidget(&window);  // takes the appearance of the palette it inherits
    for (const Case& c : cases) {
        window.setPalette(darkPalette());
        EXPECT_EQ(c.resolve(*child), QColor(c.dark)) << c.name;
        window.setPalette(lightPalette());
        EXPECT_EQ(c.resolve(*child), QColor(c.light)) << c.name;
    }
    // Window and text equally light match neither appearance: light. Qt's palettes derived from one
    // colour go by its lightness.
    QPalette flat;
    flat.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    flat.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    EXPECT_FALSE(Theme::isDark(flat));
    EXPECT_TRUE(Theme::isDark(QPalette(QColor(0x30, 0x30, 0x30))));
    EXPECT_FALSE(Theme::isDark(QPalette(QColor(0xE0, 0xE0, 0xE0))));
}

}  // namespace
