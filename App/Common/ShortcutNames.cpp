#include "App/Common/ShortcutNames.h"

#include <string>

namespace ShortcutNames {

GlobalShortcuts::Name togglePopoverName() {
    using GlobalShortcuts::ModifierFlags;
    return GlobalShortcuts::Name(
        std::string(togglePopover),
        GlobalShortcuts::Shortcut(GlobalShortcuts::Key::p,
                                  ModifierFlags{ModifierFlags::command | ModifierFlags::option}));
}

}  // namespace ShortcutNames
