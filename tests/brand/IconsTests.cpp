// The icon images come out of the program itself, in the colour their view asks for.

#include <gtest/gtest.h>
#include <QImage>

#include "Look/Icons.h"

namespace {

TEST(Icons, EveryNamedImageIsCarriedAndDrawnOnlyInItsTint) {
    for (const char* name :
         {"ph-arrow-clockwise-light", "ph-broadcast-light", "ph-clock-light", "ph-copy-light", "ph-cpu-light",
          "ph-folder-light", "ph-gear-light", "ph-lightning-light", "ph-list-light", "ph-magnifying-glass-light",
          "ph-memory-light", "ph-x-light", "exclamationmark.triangle.fill", "folder", "xmark", "arrow.up.arrow.down"}) {
        const QPixmap pixmap = Icons::pixmap(name, QSize(16, 16), QColor(0x2F, 0x2F, 0xE4), 2.0);
        ASSERT_FALSE(pixmap.isNull()) << name;
        const QImage image = pixmap.toImage();
        ASSERT_EQ(image.size(), QSize(32, 32)) << name;
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() == 0) continue;
                ++inked;
                // Anti-aliased edges are the tint at partial coverage (give or take rounding).
                if (pixel.alpha() < 160) continue;
                EXPECT_NEAR(pixel.red(), 0x2F, 3) << name << " at " << x << "," << y;
                EXPECT_NEAR(pixel.green(), 0x2F, 3) << name << " at " << x << "," << y;
                EXPECT_NEAR(pixel.blue(), 0xE4, 3) << name << " at " << x << "," << y;
            }
        }
        EXPECT_GT(inked, 10) << name << " drew nothing";
    }
    EXPECT_TRUE(Icons::pixmap("ph-nonexistent-light", QSize(16, 16), Qt::black).isNull());
}

}  // namespace
