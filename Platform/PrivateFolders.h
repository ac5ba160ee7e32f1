#pragma once
// Folders this program makes for the user's files are the user's alone.

#include <filesystem>
#include <system_error>

namespace Platform {

// Makes the folder and each missing folder above it with mode 0700, whatever the umask (under umask
// 000 a folder made the usual way would let another user plant files in it, an autostart entry
// say). Folders that exist already are left as they are. An error when the folder cannot be made
// or something else than a folder stands at its path; none when the folder is there.
std::error_code createPrivateFolders(const std::filesystem::path& folder);

}  // namespace Platform
