#pragma once
// Replaces a file as a whole: readers see the old contents or the new, never a part.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace Platform {

// Writes the bytes to a temporary file in the same folder, flushes it to disk and renames it over
// the target. On failure the target is untouched, the temporary file is removed and the error's
// description is returned; success gives no value.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// The whole file, or no value when it cannot be read or is not a regular file (a FIFO, a device or
// a folder under the name gives no value at once, never a wait).
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

}  // namespace Platform
