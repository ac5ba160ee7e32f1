#pragma once
// Replaces a file as a whole: readers see the old contents or the new, never a part.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace Platform {

// Writes the bytes to a temporary file in the same folder, flushes it to disk and renames it over
// the target. On failure the target is untouched, the temporary file is removed and the error's
// description is returned; success gives no value.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Removes the temporary files ("<target>.XXXXXX") that writes left behind in the folder when their
// process was killed, for the targets `isTarget` names: those nobody holds locked (a writer holds
// its own until it is done) and unchanged for a minute. Logged when any were removed. For a
// program's start.
void removeLeftoverTemporaryFiles(const std::filesystem::path& folder,
                                  const std::function<bool(std::string_view target)>& isTarget);

// The whole file, or no value when it cannot be read or is not a regular file (a FIFO, a device or
// a folder under the name gives no value at once, never a wait), or when it holds more than
// `maximumSize` bytes. Every reader passes the most its kind of file can sensibly hold: the file's
// stated size says nothing about the memory needed (a sparse file of a terabyte takes no disk), so
// the bytes are taken as they come and never more than that. A file over the limit is logged
// ("Vellumark: not reading <path>: larger than <maximumSize> bytes").
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::size_t maximumSize);

// The same for a file already open, from its current offset; `path` names it in the log line.
std::optional<std::string> readOpenFile(int fd, std::size_t maximumSize, const std::filesystem::path& path);

}  // namespace Platform
