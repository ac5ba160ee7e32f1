#pragma once
// The folder the application and the widget share, named by the App Group identifier under
// $XDG_DATA_HOME and private to the user (mode 0700).

#include <filesystem>
#include <optional>
#include <string>

namespace Platform {

// Creates the folder when needed and makes it private (0700) when it is not. Absent when the
// identifier is not a plain folder name (empty, ".", "..", holding "/"), or the folder cannot be
// created, is not a folder (a symbolic link is not), belongs to another user than the effective
// one, or stays writable to others. Each of these refusals of the folder is logged with its reason
// ("Vellumark: cannot use the App Group folder <path>: is a symbolic link") when it begins, not
// on every call while it lasts.
std::optional<std::filesystem::path> appGroupContainer(const std::string& identifier);

}  // namespace Platform
