#pragma once
// Reading a launchd job's property list file (XML or binary) and judging its KeepAlive setting.

#include <string>

#include <plist/plist.h>

namespace JobPropertyList {

// Whether a KeepAlive value makes launchd restart the job: a boolean as is, a number when not zero,
// any dictionary (conditional keep-alive) yes; nothing (a null node), text, arrays, dates and data no.
bool keepsAlive(plist_t value);

// The KeepAlive setting of the property list at `path`, as keepsAlive judges it. False when the file
// is missing, not a regular file, unreadable, not a property list, or its top level is not a
// dictionary.
bool fileKeepsAlive(const std::string& path);

}  // namespace JobPropertyList
