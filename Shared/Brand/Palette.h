#pragma once
// The brand colours and the interface colours, each with its light and dark value.

#include "Shared/Brand/ColorPair.h"

// The logo's and the product's own colours.
enum class BrandColor { markMint, inkOutline, aliveMark, alive };

// The interface colours every view draws with.
enum class ThemeColor {
    card,
    ink,
    heading,
    secondary,
    muted,
    faint,
    alive,
    port,
    red,
    amber,
    thumb,
    hairline,
    fieldBg,
    chipBg,
    track,
    rowHover,
};

namespace Brand {
ColorPair colorPair(BrandColor color);
}

namespace Theme {
ColorPair colorPair(ThemeColor color);
}
