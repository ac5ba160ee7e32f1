#pragma once
// The module's user-facing texts, looked up by localisation key (the recorder's placeholders and
// alerts, the name of the space key). Only English exists so far; an unknown key reads as itself,
// so a missing text shows up instead of an empty label.
//
// Constant table; any thread.

#include <string>
#include <string_view>

namespace GlobalShortcuts {

std::string localized(std::string_view key);
// A text with one argument: "%1" in it is replaced by `argument`.
std::string localized(std::string_view key, std::string_view argument);

}  // namespace GlobalShortcuts
