#pragma once
// Shortcuts and Qt's keyboard world: the shortcut a key event stands for, the key sequence a
// shortcut gives menu items and widget shortcuts, and the menu item that already uses a shortcut.
//
// A key event's key is its hardware key (the X key code, where the event carries one), so a
// shortcut means the same key position whatever the layout; events without one (synthesised, the
// offscreen platform) are read by their Qt key on a US ANSI keyboard. Modifiers: Ctrl → Control,
// Alt → Option, Shift → Shift, Meta (Super) → Command; Qt knows no Function key.
//
// Main thread.

#include <QKeySequence>
#include <QList>

#include <optional>

#include "GlobalShortcuts/Shortcut.h"

class QAction;
class QEvent;
class QKeyEvent;
class QMenu;

namespace GlobalShortcuts {

std::optional<Key> keyOfEvent(const QKeyEvent& event);
ModifierFlags modifiersOfEvent(const QKeyEvent& event);
// Only key presses and releases give a shortcut, and only keys with a Carbon key code.
std::optional<Shortcut> shortcutOfEvent(const QEvent& event);

// Ctrl, Alt, Shift and Meta as the shortcut holds them, with the special key's Qt key or the key's
// character under the keyboard layout; none for keypad keys, keys without a character and the
// Function modifier.
std::optional<QKeySequence> keySequence(const Shortcut& shortcut);

// The first action of these menus (submenus searched depth first) one of whose shortcuts is this
// shortcut's key sequence; null when none is.
QAction* menuItemWithMatchingShortcut(const Shortcut& shortcut, const QList<QMenu*>& menus);

// An action's text as a menu shows it: mnemonic ampersands removed ("&&" stays one "&").
QString menuItemTitle(const QAction& action);

}  // namespace GlobalShortcuts
