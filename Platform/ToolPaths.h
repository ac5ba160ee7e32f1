#pragma once
// Where the system tools that discovery runs live, and how long a run may take. The tools are always
// run by absolute path, never through PATH, so a user's PATH cannot put another program in their
// place.

#include <chrono>

namespace Platform::ToolPaths {

#if defined(__APPLE__)
inline constexpr const char* lsof = "/usr/sbin/lsof";
#else
inline constexpr const char* lsof = "/usr/bin/lsof";
#endif
inline constexpr const char* ps = "/bin/ps";
inline constexpr const char* launchctl = "/bin/launchctl";

// How long one run of lsof, ps or launchctl may take before it counts as hung and is stopped. They
// take tens of milliseconds on an idle machine and a few seconds on a very busy one; one that hangs
// (lsof on a dead network mount, for instance) would otherwise hold up every scan after it.
inline constexpr std::chrono::seconds timeLimit{20};

}  // namespace Platform::ToolPaths
