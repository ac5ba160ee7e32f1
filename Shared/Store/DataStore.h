#pragma once
// The snapshot file: after every scan the application replaces "snapshot.json" in the App Group
// container with the scan's result; the panel, the restarter and the widget read it. Readers need no
// lock: the file is always one complete snapshot, the previous or the new one.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

#include "Shared/ProcessSnapshot.h"

namespace DataStore {

inline constexpr std::string_view fileName = "snapshot.json";
// Every listening server of the machine at a few hundred bytes each, a long command line at most a
// few hundred kilobytes: a larger file is no snapshot the application wrote.
inline constexpr std::size_t maximumFileSize = 64 << 20;

// Writes the snapshot into the App Group container and then requests a widget reload. Runs on the
// caller's thread; nothing is returned or thrown:
// - no container: nothing written, nothing logged;
// - the folder cannot be created: "Vellumark: failed to create App Group directory: <error>";
// - the snapshot cannot be encoded: nothing written, nothing logged;
// - the file cannot be written: "Vellumark: failed to write snapshot: <error>", the previous file
//   stays as it was and no reload is requested.
void write(const ProcessSnapshot& snapshot);

// The same into the given folder (the container folder), which is created with its parents when
// nothing exists at its path.
void write(const ProcessSnapshot& snapshot, const std::filesystem::path& folder);

// The snapshot in the App Group container (or the given folder); no value when the container, the
// file or its content is missing or unusable, or the file is larger than maximumFileSize (logged).
std::optional<ProcessSnapshot> read();
std::optional<ProcessSnapshot> read(const std::filesystem::path& folder);

}  // namespace DataStore
