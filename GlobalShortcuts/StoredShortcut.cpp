#include "GlobalShortcuts/StoredShortcut.h"

namespace GlobalShortcuts {

std::optional<Shortcut> readStoredShortcut(const Platform::UserDefaults& defaults, const std::string& key) {
    const auto text = defaults.string(key);
    if (!text) return std::nullopt;
    return Shortcut::fromJSONText(*text);
}

bool writeStoredShortcut(Platform::UserDefaults& defaults, const std::string& key, const Shortcut& shortcut) {
    return defaults.set(key, shortcut.jsonText());
}

}  // namespace GlobalShortcuts
