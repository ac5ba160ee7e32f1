#pragma once
// Reading what launchctl prints and what a job's property list says about keeping the job alive.
// Pure functions: no tools run, no files read.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <plist/plist.h>

namespace LaunchdParsing {

// The main process id of each running job, mapped to the job's label.
using Jobs = std::map<std::int32_t, std::string>;

// Output of `launchctl list`: a header, then "PID<TAB>Status<TAB>Label" lines. Jobs that are not
// running ("-" as PID) and lines without a label are left out; a later line for the same pid wins.
Jobs parseList(std::string_view text);

// The job's property-list path from `launchctl print` output: the first line reading
// "path = <path>" (indentation ignored); none when that line's path is empty or no line has one.
std::optional<std::string> parsePlistPath(std::string_view text);

// Whether a KeepAlive value makes launchd restart the job: a boolean as is, a number when not zero,
// any dictionary (conditional keep-alive) yes; nothing (a null node), text, arrays, dates and data no.
bool keepsAlive(plist_t value);

}  // namespace LaunchdParsing
