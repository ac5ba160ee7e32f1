#include "GlobalShortcuts/Modifiers.h"

#include <array>
#include <utility>

namespace GlobalShortcuts {

namespace {

struct ModifierPair {
    std::uint64_t flag;
    std::int64_t carbon;
    const char* glyph;
};

// Display order: Control, Option, Shift, Command, Function.
constexpr std::array<ModifierPair, 5> modifierPairs{{
    {ModifierFlags::control, CarbonModifiers::control, "\u2303"},
    {ModifierFlags::option, CarbonModifiers::option, "\u2325"},
    {ModifierFlags::shift, CarbonModifiers::shift, "\u21E7"},
    {ModifierFlags::command, CarbonModifiers::command, "\u2318"},
    {ModifierFlags::function, CarbonModifiers::function, "\U0001F310\uFE0E"},
}};

}  // namespace

std::int64_t ModifierFlags::carbon() const {
    std::int64_t mask = 0;
    for (const ModifierPair& pair : modifierPairs)
        if (contains(pair.flag)) mask |= pair.carbon;
    return mask;
}

ModifierFlags ModifierFlags::fromCarbon(std::int64_t mask) {
    ModifierFlags flags;
    for (const ModifierPair& pair : modifierPairs)
        if ((mask & pair.carbon) == pair.carbon) flags.rawValue |= pair.flag;
    return flags;
}

std::string ModifierFlags::symbolicRepresentation() const {
    std::string text;
    for (const ModifierPair& pair : modifierPairs)
        if (contains(pair.flag)) text += pair.glyph;
    return text;
}

std::int64_t normalizedCarbonModifiers(std::int64_t mask) { return ModifierFlags::fromCarbon(mask).carbon(); }

}  // namespace GlobalShortcuts
