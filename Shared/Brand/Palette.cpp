#include "Shared/Brand/Palette.h"

namespace {

constexpr RGBA mint = RGBA::hex(0x5DF8D8);
constexpr RGBA ink = RGBA::hex(0x16191D);

// A pair from its dark and light 24-bit values, in that order, as the design lists them.
constexpr ColorPair darkLight(std::uint32_t dark, std::uint32_t light) { return {RGBA::hex(light), RGBA::hex(dark)}; }

// Translucent white over dark cards, translucent black over light ones.
constexpr ColorPair overlay(double darkWhite, double lightBlack) {
    return {RGBA::black(lightBlack), RGBA::white(darkWhite)};
}

}  // namespace

ColorPair Brand::colorPair(BrandColor color) {
    switch (color) {
    case BrandColor::markMint: return ColorPair::fixed(mint);
    case BrandColor::inkOutline: return ColorPair::fixed(ink);
    case BrandColor::aliveMark: return {RGBA::hex(0x0D9488), mint};
    case BrandColor::alive: return {RGBA::hex(0x0E7C6B), mint};
    }
    return ColorPair::fixed(ink);
}

ColorPair Theme::colorPair(ThemeColor color) {
    switch (color) {
    case ThemeColor::card: return darkLight(0x1C1E1D, 0xFFFFFF);
    case ThemeColor::ink: return darkLight(0xE7E9E8, 0x1D1D20);
    case ThemeColor::heading: return darkLight(0xF2F4F3, 0x17191A);
    case ThemeColor::secondary: return darkLight(0xA7ADA9, 0x55555C);
    case ThemeColor::muted: return darkLight(0x8E938F, 0x8A8A92);
    case ThemeColor::faint: return darkLight(0x6C716D, 0x9A9AA2);
    case ThemeColor::alive: return darkLight(0x5DF8D8, 0x0E7C6B);
    case ThemeColor::port: return darkLight(0x9D9DFF, 0x2F2FE4);
    case ThemeColor::red: return darkLight(0xFF5B60, 0xE5484D);
    case ThemeColor::amber: return darkLight(0xE0A030, 0xB4740F);
    case ThemeColor::thumb: return darkLight(0x3A3D3B, 0xFFFFFF);
    case ThemeColor::hairline: return overlay(0.10, 0.08);
    case ThemeColor::fieldBg: return overlay(0.06, 0.045);
    case ThemeColor::chipBg: return overlay(0.08, 0.06);
    case ThemeColor::track: return overlay(0.10, 0.07);
    case ThemeColor::rowHover: return {ink.withOpacity(0.05), RGBA::white(0.06)};
    }
    return darkLight(0xE7E9E8, 0x1D1D20);
}
