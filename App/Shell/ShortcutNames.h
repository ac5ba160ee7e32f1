#pragma once
// The application's one named global shortcut: it opens and closes the panel (Option-Command-P
// unless the user records another).

#include <string_view>

namespace ShortcutNames {

inline constexpr std::string_view togglePopover = "togglePopover";

}  // namespace ShortcutNames
