#include "GlobalShortcuts/Texts.h"

#include <array>
#include <utility>

namespace GlobalShortcuts {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 11> englishTexts{{
    {"record_shortcut", "Record Shortcut"},
    {"press_shortcut", "Press Shortcut"},
    {"keyboard_shortcut_used_by_system", "This keyboard shortcut is already used by the system."},
    {"keyboard_shortcuts_can_be_changed",
     "Most system-wide shortcuts can be changed in the keyboard settings of your desktop."},
    {"ok", "OK"},
    {"force_use_shortcut", "Use Anyway"},
    {"keyboard_shortcut_disallowed", "This keyboard shortcut cannot be used."},
    {"keyboard_shortcut_used_by_menu_item", "This keyboard shortcut is already used by the menu item \u201C%1\u201D."},
    {"keyboard_shortcut_not_saved",
     "The keyboard shortcut %1 could not be saved in the settings. The previous shortcut stays in use."},
    {"keyboard_shortcut_not_registered",
     "The keyboard shortcut %1 could not be registered: another program holds it. The previous shortcut stays "
     "in use."},
    {"space_key", "space"},
}};

}  // namespace

std::string localized(std::string_view key) {
    for (const auto& [name, text] : englishTexts)
        if (name == key) return std::string(text);
    return std::string(key);
}

std::string localized(std::string_view key, std::string_view argument) {
    std::string text = localized(key);
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

}  // namespace GlobalShortcuts
