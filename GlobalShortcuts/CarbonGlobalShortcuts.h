#pragma once
// The desktop side of the registry: one hot key per registered shortcut, which reports its
// presses and releases. On X11 a hot key is a root-window key grab (X11KeyGrabs); while one of the
// application's pop-ups holds the keyboard, the same hot keys are matched in the keys the
// application receives (PopupKeyMatcher). On any other platform nothing can be registered, which
// is logged once.
//
// - A grab refused by the X server prints "Error registering hotkey <text>: <status>" on standard
//   output (status: the X error code) and registers nothing.
// - A hot key reports one key-down per press (auto-repeat presses are dropped) and one key-up per
//   release, whatever modifiers are let go first.
// - Disabled: every grab is let go, the hot keys are kept; enabling grabs them again, and one that
//   is refused then is dropped (with the same line).
//
// Main thread only.

#include <functional>

#include "GlobalShortcuts/Shortcut.h"

namespace GlobalShortcuts::CarbonGlobalShortcuts {

using Handler = std::function<void(const Shortcut&)>;
enum class Registration { registered, refused, unavailable };

Registration registerShortcut(const Shortcut& shortcut, Handler onKeyDown, Handler onKeyUp);
void unregister(const Shortcut& shortcut);
// Whether a hot key exists for the shortcut.
bool holds(const Shortcut& shortcut);
void setEnabled(bool enabled);

// Whether another program (the window manager, the desktop) holds the combination, found by a
// probe grab. The application's own hot keys are not the system's. X11 keeps no list of the
// desktop's shortcuts, so this stands in for one; off X11 it is always false.
bool isTakenBySystem(const Shortcut& shortcut);

// Whether hot keys can be registered here at all (the application runs on X11).
bool isAvailable();

}  // namespace GlobalShortcuts::CarbonGlobalShortcuts
