#pragma once
// Where the user's files live: the home folder and the XDG base folders.

#include <filesystem>
#include <optional>

namespace Platform {

// $HOME when set and absolute, else the password database's entry for the current user.
std::filesystem::path homeDirectory();

// $XDG_CONFIG_HOME when set and absolute, else home + "/.config".
std::filesystem::path configHome();

// $XDG_DATA_HOME when set and absolute, else home + "/.local/share".
std::filesystem::path dataHome();

// $XDG_RUNTIME_DIR when set and absolute; absent otherwise.
std::optional<std::filesystem::path> runtimeDirectory();

}  // namespace Platform
