#pragma once
// The one entry point of discovery. A scan runs lsof (working directories, then listening TCP
// ports) and ps (the process table), turns the listening processes of the application's own real
// user (/proc/<pid>/status) into servers and projects, adds the running Docker containers, marks
// background services that launchd keeps alive and applies the user's filter rules, read anew from
// the standard defaults on every scan.
//
// A scan is synchronous on the caller's thread and never fails: a tool that cannot start is logged
// and counts as printing nothing, so the scan then simply finds fewer servers. Writing the snapshot
// and feeding the trackers is the caller's work.
//
// Threads: any thread may scan. Scans never overlap: each holds one process-wide lock for its whole
// run, and a caller that finds a scan running waits for it. Between scans the scanner keeps every
// process's CPU time and the time of the scan, so that a server's CPU is its use since the previous
// scan (whoever ran it) rather than ps's average over the process's whole life.

#include <optional>
#include <string>
#include <vector>

#include "Shared/DevProject.h"

namespace ProcessScanner {

// The projects with their servers, in the activity order, after the filter rules.
std::vector<DevProject> scan();

// Runs one system tool (absolute path, no PATH search) with LC_ALL=C and its standard error
// discarded, and returns its standard output whatever its exit status. No time limit. None when it
// cannot start; that is logged as "Vellumark: shell error running <path> <arguments>: <error>".
// Bytes that are not UTF-8 become U+FFFD, so one odd command line never hides the rest.
std::optional<std::string> runShell(const std::string& path, const std::vector<std::string>& arguments);

// Sets `keptAlive` on every server of the background-service projects ("service://..."): whether
// launchd restarts it by itself. Without such a project, launchctl is not run at all; when it lists
// no jobs, the projects come back unchanged. Other projects' servers keep an absent `keptAlive`.
std::vector<DevProject> annotateKeepAlive(std::vector<DevProject> projects);

}  // namespace ProcessScanner
