#pragma once
// Colours as plain values, so both programs and their tests share one definition without a
// graphics library. Channels and opacity run from 0 to 1 in sRGB.

#include <cstdint>

struct RGBA {
    double red = 0, green = 0, blue = 0, alpha = 1;

    // An opaque colour from a 24-bit value, red in the high byte.
    static constexpr RGBA hex(std::uint32_t rgb) {
        return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, 1};
    }
    static constexpr RGBA white(double opacity) { return {1, 1, 1, opacity}; }
    static constexpr RGBA black(double opacity) { return {0, 0, 0, opacity}; }
    constexpr RGBA withOpacity(double opacity) const { return {red, green, blue, opacity}; }

    constexpr bool operator==(const RGBA&) const = default;
};

// One colour per appearance; a colour that does not follow the appearance has equal halves.
struct ColorPair {
    RGBA light;
    RGBA dark;

    static constexpr ColorPair fixed(RGBA color) { return {color, color}; }
    constexpr const RGBA& resolved(bool isDark) const { return isDark ? dark : light; }

    constexpr bool operator==(const ColorPair&) const = default;
};
