#pragma once
// The application's one named global shortcut: it opens and closes the panel (Option-Command-P,
// that is Alt+Super+P, unless the user records another).

#include <string_view>

#include "GlobalShortcuts/Name.h"

namespace ShortcutNames {

inline constexpr std::string_view togglePopover = "togglePopover";

// The name with its default. Making it (at launch) stores and registers the default when nothing
// at all is stored under the name yet. Main thread.
GlobalShortcuts::Name togglePopoverName();

}  // namespace ShortcutNames
