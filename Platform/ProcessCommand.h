#pragma once
// What a running process was started with, read from the process table (/proc) while it runs: its
// exact argument vector, the environment it was given and the file it executes. Only the user's own
// processes can be read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Platform::ProcessCommand {

// The process's argument vector as it stands now, argv[0] first, each argument byte for byte
// (spaces, tildes, line breaks and empty arguments kept). A process that wrote a title over its
// arguments shows that title. None when the process is gone, cannot be read or has no arguments (a
// kernel thread, a zombie).
std::optional<std::vector<std::string>> arguments(std::int32_t pid);

// The value of a variable of the environment the process was started with; none when it has no
// such variable or cannot be read.
std::optional<std::string> environmentVariable(std::int32_t pid, std::string_view name);

// Whether `path` is the file the process executes: the same file, or, when that file has been
// removed or replaced since the process started (an upgrade), whatever is at its place now.
bool executes(std::int32_t pid, const std::string& path);

}  // namespace Platform::ProcessCommand
