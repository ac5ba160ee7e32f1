#pragma once
// The character a key types without modifiers under the user's keyboard layout ("p" for the P key
// on a US layout, "z" for the same key on a German one), read with xkbcommon from the X server's
// keymap. Of the server's layouts the first one that types ASCII letters is used, so a Latin name
// shows even while a Cyrillic or Greek layout is active. Without an X server (offscreen, Wayland)
// the system's default layout stands in (XKB_DEFAULT_LAYOUT and friends, else US).
//
// The keymap is read once, on first use. Main thread (it may use the application's X connection).

#include <optional>
#include <string>

#include "GlobalShortcuts/Key.h"

namespace GlobalShortcuts::KeyboardLayout {

// One character as UTF-8; none for special keys, keys the layout leaves empty and keys that type
// more than one character or a control character.
std::optional<std::string> character(Key key);

}  // namespace GlobalShortcuts::KeyboardLayout
