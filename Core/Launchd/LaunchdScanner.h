#pragma once
// Whether launchd keeps a background server alive, found through `launchctl` and the job's property
// list. Every failure on the way answers "not kept alive": the server then counts as stoppable.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Platform/ToolPaths.h"
#include "Shared/Launchd/LaunchdParsing.h"

namespace LaunchdScanner {

// The launchctl tool: /bin/launchctl.
std::string launchctlPath();

// Runs launchctl with the given arguments and returns its standard output. No output when it
// cannot start, exits non-zero, prints invalid UTF-8 or still runs at `timeLimit`. A start failure is
// logged as "Vellumark: launchctl error (<arguments>): <error>", once per process for each tool path
// and text: the same failure again stays silent, a different one is logged. A run past its limit is
// stopped with its whole process group and logged as "Vellumark: launchctl timed out (<arguments>)
// after <n>s".
std::optional<std::string> run(const std::string& path, const std::vector<std::string>& arguments,
                               std::chrono::milliseconds timeLimit = Platform::ToolPaths::timeLimit);

// `launchctl list`, parsed: the running jobs of the user by main pid. Empty when launchctl gives no
// output.
LaunchdParsing::Jobs listJobs();

// True when `pid` is the main process of a job whose property list sets KeepAlive. The job is
// looked up in the user's GUI domain, then in the system domain.
bool keepsAlive(std::int32_t pid, const LaunchdParsing::Jobs& jobs);

// Test seam; the application never calls this. Runs the given program in place of launchctl
// (none restores /bin/launchctl).
namespace Testing {
void setLaunchctlPath(std::optional<std::string> path);
}  // namespace Testing

}  // namespace LaunchdScanner
