#pragma once
// The one entry point of discovery. A scan runs lsof (listening TCP ports) and ps (the process
// table), reads the listeners' working folders from /proc, turns the listening processes of the
// application's own real user (/proc/<pid>/status) into servers and projects, adds the running Docker containers, marks
// background services that launchd keeps alive and applies the user's filter rules, read anew from
// the standard defaults on every scan.
//
// A scan is synchronous on the caller's thread. A tool that cannot start is logged and counts as
// printing nothing, so the scan then simply finds fewer servers. A tool that hangs is stopped at its
// time limit, and when that tool is lsof or ps the scan fails as a whole: a half-told process list
// would make running servers look gone. Writing the snapshot and feeding the trackers is the
// caller's work.
//
// Threads: any thread may scan. Scans never overlap: each holds one process-wide lock for its whole
// run, and a caller that finds a scan running waits for it. Between scans the scanner keeps every
// process's CPU time and the time of the scan, so that a server's CPU is its use since the previous
// scan (whoever ran it) rather than ps's average over the process's whole life.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "Shared/DevProject.h"

namespace ProcessScanner {

// The projects with their servers, in the activity order, after the filter rules. None when lsof or
// ps ran past the time limit (Platform::ToolPaths::timeLimit); the CPU times of the previous scan
// then stay for the next one.
std::optional<std::vector<DevProject>> scan();

// What one run of a system tool gave.
struct ShellOutput {
    std::optional<std::string> text;  // none when the tool could not start or ran past its limit
    bool timedOut = false;
};

// Runs one system tool (absolute path, no PATH search) with LC_ALL=C and its standard error
// discarded, and returns its standard output whatever its exit status. Bytes that are not UTF-8
// become U+FFFD, so one odd command line never hides the rest. No text when it cannot start, logged
// as "Vellumark: shell error running <path> <arguments>: <error>", or when it still runs at
// `timeLimit`: its whole process group is then stopped, and "Vellumark: shell timed out running
// <path> <arguments> after <n>s" logged.
ShellOutput runShell(const std::string& path, const std::vector<std::string>& arguments,
                     std::chrono::milliseconds timeLimit);

// Sets `keptAlive` on every server of the background-service projects ("service://..."): whether
// launchd restarts it by itself. Without such a project, launchctl is not run at all; when it lists
// no jobs, the projects come back unchanged. Other projects' servers keep an absent `keptAlive`.
std::vector<DevProject> annotateKeepAlive(std::vector<DevProject> projects);

// Test seams; the application never calls these.
namespace Testing {
// Runs these programs in place of lsof and ps (none restores the system's).
void setTools(std::optional<std::string> lsof, std::optional<std::string> ps);
// Gives each run of lsof and ps this time limit (none restores the real one).
void setTimeLimit(std::optional<std::chrono::milliseconds> limit);
}  // namespace Testing

}  // namespace ProcessScanner
