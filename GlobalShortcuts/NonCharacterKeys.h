#pragma once
// Inside the module: the keys that have no character of their own (Return, arrows, function keys,
// the keypad, ...), with the glyph a shortcut shows for them and their key for menu items and
// widget shortcuts. A key is special exactly when specialKey() knows it; letters, digits,
// punctuation, modifier keys and media keys are not.
//
// Constant tables; any thread.

#include <optional>
#include <string>

#include "GlobalShortcuts/Key.h"

namespace GlobalShortcuts {

enum class SpecialKey {
    return_,
    delete_,
    deleteForward,
    end,
    escape,
    help,
    home,
    space,
    tab,
    pageUp,
    pageDown,
    upArrow,
    rightArrow,
    downArrow,
    leftArrow,
    f1,
    f2,
    f3,
    f4,
    f5,
    f6,
    f7,
    f8,
    f9,
    f10,
    f11,
    f12,
    f13,
    f14,
    f15,
    f16,
    f17,
    f18,
    f19,
    f20,
    keypad0,
    keypad1,
    keypad2,
    keypad3,
    keypad4,
    keypad5,
    keypad6,
    keypad7,
    keypad8,
    keypad9,
    keypadClear,
    keypadDecimal,
    keypadDivide,
    keypadEnter,
    keypadEquals,
    keypadMinus,
    keypadMultiply,
    keypadPlus,
};

std::optional<SpecialKey> specialKey(Key key);

// The glyph shown for the key: "↩", "F5", "5⃣" and so on; Space reads its localised name.
std::string presentableDescription(SpecialKey key);

// The Qt key (Qt::Key) that a menu item or a widget shortcut uses for it; none for the keypad.
std::optional<int> qtKey(SpecialKey key);

}  // namespace GlobalShortcuts
