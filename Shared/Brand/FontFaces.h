#pragma once
// The two typefaces of the product: Manrope for the brand, JetBrains Mono for ports, numbers and
// commands. Each face is known by its PostScript name; the family, style and weight say how to
// find it in a font database, the folder and file where the fonts package installs it.

#include <optional>
#include <span>
#include <string_view>

// Weights on the OpenType scale (100 to 900); values in between belong to the named weight below.
enum class FontWeight : int {
    ultraLight = 100,
    thin = 200,
    light = 300,
    regular = 400,
    medium = 500,
    semibold = 600,
    bold = 700,
    heavy = 800,
    black = 900,
};

struct FontFace {
    std::string_view postScriptName;  // "Manrope-SemiBold"
    std::string_view family;          // "Manrope"
    std::string_view styleName;       // "SemiBold"
    int weight;                       // 600
    std::string_view folder;          // "manrope", below fonts/truetype/
    std::string_view fileName;        // "Manrope-SemiBold.ttf"
};

namespace FontFaces {
// Every face the product uses.
std::span<const FontFace> all();
// The face with that PostScript name; none for any other name.
std::optional<FontFace> named(std::string_view postScriptName);
}  // namespace FontFaces

namespace Brand {
// "Manrope-SemiBold" for semibold or heavier, else "Manrope-Regular".
const FontFace& brandFace(FontWeight weight);
}  // namespace Brand

namespace Theme {
// Bold, heavy and black: "JetBrainsMono-Bold"; semibold: "JetBrainsMono-SemiBold"; medium:
// "JetBrainsMono-Medium"; every lighter weight: "JetBrainsMono-Regular".
const FontFace& monoFace(FontWeight weight);
}  // namespace Theme
