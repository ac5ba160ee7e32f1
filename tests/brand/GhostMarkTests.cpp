// The ghost logo as painted in each appearance, at the design size and scaled.

#include <cmath>

#include <gtest/gtest.h>

#include "App/Brand/GhostMark.h"
#include "brand/Rendering.h"

namespace {

using namespace brand_testing;

TEST(GhostMark, LightIsAMintBodyWithInkOutlineAndEyesDarkIsOneMintShapeWithOpenEyes) {
    const QColor mint(0x5D, 0xF8, 0xD8), ink(0x16, 0x19, 0x1D), clear(0, 0, 0, 0);
    struct Pixel {
        double x, y;  // in the 140 by 152 design grid
        QColor light, dark;
        const char* what;
    };
    const Pixel pixels[] = {
        {70, 60, mint, mint, "body between the eyes"},
        {50, 72, ink, clear, "left eye"},
        {90, 72, ink, clear, "right eye"},
        {9, 100, ink, clear, "outline astride the left edge at x = 10"},
        {11, 100, ink, mint, "the edge"},
        {17, 100, mint, mint, "inside the outline"},
        {3, 100, clear, clear, "the margin"},
        {14, 14, clear, clear, "beyond the round head"},
        {30, 138, ink, mint, "a foot's lower edge"},
        {30, 145, ink, clear, "outline under a foot"},
        {30, 149, clear, clear, "below it"},
        {50, 140, clear, clear, "between two feet"},
        {90, 140, clear, clear, "between two feet"},
    };
    for (const QSize size : {QSize(140, 152), QSize(280, 304)}) {
        GhostMark mark;
        mark.resize(size);
        for (const bool dark : {false, true}) {
            mark.setPalette(dark ? darkPalette() : lightPalette());
            const QImage image = render(mark);
            for (const Pixel& pixel : pixels) {
                const QColor drawn = image.pixelColor(int(std::floor(pixel.x * size.width() / 140.0)),
                                                      int(std::floor(pixel.y * size.height() / 152.0)));
                EXPECT_TRUE(colorNear(drawn, dark ? pixel.dark : pixel.light))
                    << pixel.what << (dark ? ", dark, " : ", light, ") << size.width() << " wide";
            }
        }
    }
}

}  // namespace
