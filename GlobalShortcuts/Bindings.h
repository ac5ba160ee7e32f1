#pragma once
// Named shortcuts bound to widgets and menu items.
// - onKeyboardShortcut (or onGlobalKeyboardShortcut): the name's global key events for as long as
//   the widget lives (an event stream that ends with it).
// - globalKeyboardShortcut: a shortcut on the widget's window that follows the name's stored
//   shortcut, and has no key while a recorder records; on a button it clicks the button.
// - setShortcut on a menu item: the shortcut's key sequence (none for none or a shortcut without
//   one); with a name, the item follows the name's stored shortcut until bound again (or unbound
//   with no name).
//
// Main thread.

#include <functional>
#include <optional>

#include "GlobalShortcuts/GlobalShortcuts.h"

class QAction;
class QShortcut;
class QWidget;

namespace GlobalShortcuts {

void onKeyboardShortcut(QWidget& view, const Name& name, std::function<void(EventType)> perform);
void onKeyboardShortcut(QWidget& view, const Name& name, EventType type, Action perform);
inline void onGlobalKeyboardShortcut(QWidget& view, const Name& name, std::function<void(EventType)> perform) {
    onKeyboardShortcut(view, name, std::move(perform));
}
inline void onGlobalKeyboardShortcut(QWidget& view, const Name& name, EventType type, Action perform) {
    onKeyboardShortcut(view, name, type, std::move(perform));
}

// Owned by the view.
QShortcut* globalKeyboardShortcut(QWidget& view, const Name& name);

void setShortcut(QAction& item, const std::optional<Shortcut>& shortcut);
void setShortcut(QAction& item, const std::optional<Name>& name);

}  // namespace GlobalShortcuts
