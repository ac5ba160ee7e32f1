#pragma once
// A key with modifiers in the Carbon encoding, the form every shortcut is stored and compared in:
// the Carbon virtual key code and a Carbon modifier mask of Command 256, Shift 512, Option 2048,
// Control 4096 and Function 131072. Equal when both numbers are.
//
// Stored as the compact JSON text {"carbonKeyCode":35,"carbonModifiers":2304}. Reading accepts the
// members in either order; anything else (bad JSON, missing or non-integer members, numbers outside
// 0…4294967295) reads as no shortcut. Modifier bits beyond the five above (Caps Lock, right-hand
// keys) are dropped when a shortcut is made or read, so a stored shortcut can always fire.
//
// Plain values, any thread; presentableDescription() reads the keyboard layout (see KeyboardLayout.h)
// and so belongs on the main thread. The model is Qt-free (library vellumark_global_shortcuts_model);
// presentableDescription() alone comes with vellumark_global_shortcuts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/Modifiers.h"

namespace GlobalShortcuts {

struct Shortcut {
    std::int64_t carbonKeyCode = 0;
    std::int64_t carbonModifiers = 0;

    // The key code as it is, the modifiers normalised.
    Shortcut(std::int64_t keyCode, std::int64_t modifiers);
    Shortcut(Key key, ModifierFlags modifiers);

    friend bool operator==(const Shortcut&, const Shortcut&) = default;
    friend auto operator<=>(const Shortcut&, const Shortcut&) = default;

    Key key() const { return Key{carbonKeyCode}; }
    ModifierFlags modifiers() const { return ModifierFlags::fromCarbon(carbonModifiers); }

    // The recorder's rule, which the registry applies to stored shortcuts as well: Control, Option
    // or Command must be held, unless the key is a function key (F1…F20). Any other key alone, or
    // with only Shift or Function, is one the user types, and grabbing it would take it from every
    // other program.
    bool isRecordable() const;

    // The modifier glyphs, then the key's glyph or its character under the keyboard layout, upper
    // case ("⌥⌘P", "⌃⇧⌘S", "F5"); "�" stands in for a key the layout has no character for.
    std::string presentableDescription() const;

    std::string jsonText() const;
    static std::optional<Shortcut> fromJSONText(std::string_view text);
};

}  // namespace GlobalShortcuts
