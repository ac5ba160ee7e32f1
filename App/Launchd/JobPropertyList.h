#pragma once
// Reading a launchd job's property list file (XML or binary).

#include <string>

namespace JobPropertyList {

// The KeepAlive setting of the property list at `path`, as LaunchdParsing::keepsAlive judges it.
// False when the file is missing, not a regular file, unreadable, not a property list, or its top
// level is not a dictionary.
bool keepsAlive(const std::string& path);

}  // namespace JobPropertyList
