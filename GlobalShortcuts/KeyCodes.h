#pragma once
// Where a Carbon key code sits on a PC keyboard: the Linux input (evdev) code of the same key
// position on an ANSI layout. X key codes are evdev codes plus 8. Keys a PC keyboard lacks (Fn,
// the keypad's Clear) have none.
//
// Also the key a Qt key code names when an event carries no hardware code (synthesised events, the
// offscreen platform): the US ANSI key that types it, shifted symbols included ("!" is the 1 key).
//
// Constant tables; any thread.

#include <optional>

#include "GlobalShortcuts/Key.h"

namespace GlobalShortcuts::KeyCodes {

inline constexpr int xKeycodeOffset = 8;

std::optional<int> evdevCode(Key key);
std::optional<Key> keyForEvdevCode(int code);

// A Qt::Key value; `keypad` when the event carried Qt::KeypadModifier.
std::optional<Key> keyForQtKey(int qtKey, bool keypad);

}  // namespace GlobalShortcuts::KeyCodes
