#pragma once
// Where the system tools that discovery runs live. The tools are always run by absolute path, never
// through PATH, so a user's PATH cannot put another program in their place.

namespace Platform::ToolPaths {

#if defined(__APPLE__)
inline constexpr const char* lsof = "/usr/sbin/lsof";
#else
inline constexpr const char* lsof = "/usr/bin/lsof";
#endif
inline constexpr const char* ps = "/bin/ps";
inline constexpr const char* launchctl = "/bin/launchctl";

}  // namespace Platform::ToolPaths
