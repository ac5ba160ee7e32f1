#include "Shared/Brand/FontFaces.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<FontFace, 6> faces{{
    {"Manrope-Regular", "Manrope", "Regular", 400, "manrope", "Manrope-Regular.ttf"},
    {"Manrope-SemiBold", "Manrope", "SemiBold", 600, "manrope", "Manrope-SemiBold.ttf"},
    {"JetBrainsMono-Regular", "JetBrains Mono", "Regular", 400, "jetbrains-mono", "JetBrainsMono-Regular.ttf"},
    {"JetBrainsMono-Medium", "JetBrains Mono", "Medium", 500, "jetbrains-mono", "JetBrainsMono-Medium.ttf"},
    {"JetBrainsMono-SemiBold", "JetBrains Mono", "SemiBold", 600, "jetbrains-mono", "JetBrainsMono-SemiBold.ttf"},
    {"JetBrainsMono-Bold", "JetBrains Mono", "Bold", 700, "jetbrains-mono", "JetBrainsMono-Bold.ttf"},
}};

enum FaceIndex { manropeRegular, manropeSemiBold, monoRegular, monoMedium, monoSemiBold, monoBold };

constexpr int value(FontWeight weight) { return static_cast<int>(weight); }

}  // namespace

std::span<const FontFace> FontFaces::all() { return faces; }

std::optional<FontFace> FontFaces::named(std::string_view postScriptName) {
    auto found = std::find_if(faces.begin(), faces.end(),
                              [&](const FontFace& face) { return face.postScriptName == postScriptName; });
    if (found == faces.end()) return std::nullopt;
    return *found;
}

const FontFace& Brand::brandFace(FontWeight weight) {
    return value(weight) >= value(FontWeight::semibold) ? faces[manropeSemiBold] : faces[manropeRegular];
}

const FontFace& Theme::monoFace(FontWeight weight) {
    if (value(weight) >= value(FontWeight::bold)) return faces[monoBold];
    if (value(weight) >= value(FontWeight::semibold)) return faces[monoSemiBold];
    if (value(weight) >= value(FontWeight::medium)) return faces[monoMedium];
    return faces[monoRegular];
}
