#include "Shared/Brand/WordmarkLayout.h"

#include "Shared/Brand/GhostGeometry.h"

WordmarkLayout WordmarkLayout::forSize(double size, double capHeight) {
    // The ghost's 132 grid units of height are one cap height.
    const double unit = capHeight / Ghost::gridHeight;
    return {
        .ghostWidth = Ghost::markGridWidth * unit,
        .ghostHeight = Ghost::markGridHeight * unit,
        .ghostBaseline = (Ghost::markMargin + Ghost::gridHeight) * unit,
        .spacing = size * 0.55,
        .tracking = size * 0.04,
    };
}
