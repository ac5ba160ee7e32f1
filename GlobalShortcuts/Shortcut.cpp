#include "GlobalShortcuts/Shortcut.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include <nlohmann/json.hpp>

#include "Platform/JSONNesting.h"

namespace GlobalShortcuts {

namespace {

constexpr const char* keyCodeMember = "carbonKeyCode";
constexpr const char* modifiersMember = "carbonModifiers";

// The hot-key service takes both numbers as unsigned 32-bit values.
std::optional<std::int64_t> unsigned32Member(const nlohmann::json& object, const char* name) {
    const auto found = object.find(name);
    if (found == object.end() || !found->is_number_integer()) return std::nullopt;
    if (found->is_number_unsigned()) {
        const auto value = found->get<std::uint64_t>();
        if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    const auto value = found->get<std::int64_t>();
    if (value < 0 || value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return value;
}

}  // namespace

Shortcut::Shortcut(std::int64_t keyCode, std::int64_t modifiers)
    : carbonKeyCode(keyCode), carbonModifiers(normalizedCarbonModifiers(modifiers)) {}

Shortcut::Shortcut(Key key, ModifierFlags modifiers) : Shortcut(key.rawValue, modifiers.carbon()) {}

bool Shortcut::isRecordable() const {
    const ModifierFlags flags = modifiers();
    if (flags.contains(ModifierFlags::control) || flags.contains(ModifierFlags::option) ||
        flags.contains(ModifierFlags::command))
        return true;
    static constexpr Key functionKeys[] = {Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,  Key::f6,  Key::f7,
                                           Key::f8,  Key::f9,  Key::f10, Key::f11, Key::f12, Key::f13, Key::f14,
                                           Key::f15, Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};
    return std::ranges::find(functionKeys, key()) != std::end(functionKeys);
}

std::string Shortcut::jsonText() const {
    nlohmann::json object = nlohmann::json::object();
    object[keyCodeMember] = carbonKeyCode;
    object[modifiersMember] = carbonModifiers;
    return object.dump();
}

std::optional<Shortcut> Shortcut::fromJSONText(std::string_view text) {
    if (Platform::JSONNesting::isDeeperThan(text)) return std::nullopt;
    const nlohmann::json object = nlohmann::json::parse(text, nullptr, false);
    if (!object.is_object()) return std::nullopt;
    const auto keyCode = unsigned32Member(object, keyCodeMember);
    const auto modifiers = unsigned32Member(object, modifiersMember);
    if (!keyCode || !modifiers) return std::nullopt;
    return Shortcut(*keyCode, *modifiers);
}

}  // namespace GlobalShortcuts
