#pragma once
// The working folders and short names of a few processes (a scan's listeners), read from /proc
// instead of running lsof over every process of the machine. The text has the form
// `lsof -a -w -d cwd -p <pids> -Fpcn` prints in the C locale ("p<pid>", "c<name>", "n<folder>", names
// escaped as lsof escapes them), so ProcessScannerParsing::parseCWDs reads it as it reads lsof's.
//
// As with lsof's -w, a process whose folder cannot be read (it has gone, or it may not be looked
// at) is left out. One difference, on purpose: the name is the process's own (/proc/<pid>/comm),
// where lsof cuts a name at an unbalanced ")" of its own ("api) worker" reads as "api").
// Linux; any thread; no state.

#include <cstdint>
#include <string>
#include <vector>

namespace WorkingFolders {

std::string asLsofText(const std::vector<std::int32_t>& pids);

}  // namespace WorkingFolders
