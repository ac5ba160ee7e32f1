#pragma once
// Reading what launchctl prints. Pure functions: no tools run, no files read. The KeepAlive value of
// a job's property list is judged where the file is read (Core/Launchd/JobPropertyList.h).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace LaunchdParsing {

// The main process id of each running job, mapped to the job's label.
using Jobs = std::map<std::int32_t, std::string>;

// Output of `launchctl list`: a header, then "PID<TAB>Status<TAB>Label" lines. Jobs that are not
// running ("-" as PID) and lines without a label are left out; a later line for the same pid wins.
Jobs parseList(std::string_view text);

// The job's property-list path from `launchctl print` output: the first line reading
// "path = <path>" (indentation ignored); none when that line's path is empty or no line has one.
std::optional<std::string> parsePlistPath(std::string_view text);

}  // namespace LaunchdParsing
