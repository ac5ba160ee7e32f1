#pragma once
// A shortcut as the user defaults hold it: the JSON text of the Shortcut (see Shortcut.h) under the
// name's key. Anything else under the key (false for a removed shortcut, a value of another type,
// text that does not decode) reads as no shortcut; reading never changes what is stored.
//
// Qt-free; any thread (the defaults serialise their own access).

#include <optional>
#include <string>

#include "GlobalShortcuts/Shortcut.h"
#include "Platform/UserDefaults.h"

namespace GlobalShortcuts {

std::optional<Shortcut> readStoredShortcut(const Platform::UserDefaults& defaults, const std::string& key);
// False (and a log line from the defaults) when the file could not be written.
bool writeStoredShortcut(Platform::UserDefaults& defaults, const std::string& key, const Shortcut& shortcut);

}  // namespace GlobalShortcuts
