#pragma once
// Finding a program the way a shell does before it runs it.

#include <optional>
#include <string>

namespace Platform {

// A regular file (links followed) that this process may execute.
bool isExecutableFile(const std::string& path);

// The file a shell runs for `name` in `folder`: a name holding "/" names it directly (relative to
// `folder` unless absolute); a bare name is looked for in each folder of `searchPath` (a PATH value)
// in order, an empty or relative entry taken relative to `folder`, and the first executable file is
// it. None for an empty name or when nothing is found.
std::optional<std::string> findProgram(const std::string& name, const std::string& searchPath,
                                       const std::string& folder);

}  // namespace Platform
