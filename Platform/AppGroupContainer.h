#pragma once
// The folder the application and the widget share, named by the App Group identifier under
// $XDG_DATA_HOME and private to the user (mode 0700).

#include <filesystem>
#include <optional>
#include <string>

namespace Platform {

// Creates the folder when needed. Absent when the identifier is not a plain folder name (empty,
// ".", "..", holding "/") or the folder cannot be created or is not a folder.
std::optional<std::filesystem::path> appGroupContainer(const std::string& identifier);

}  // namespace Platform
