#include "Core/Launchd/LaunchdScanner.h"

#include <mutex>
#include <set>
#include <utility>

#include <unistd.h>

#include "Core/Launchd/JobPropertyList.h"
#include "Platform/ProcessRunner.h"
#include "Platform/SystemLog.h"
#include "Platform/ToolPaths.h"
#include "Shared/UTF8.h"

namespace LaunchdScanner {

namespace {

constexpr const char* systemLaunchctl = Platform::ToolPaths::launchctl;

struct ToolPath {
    std::mutex mutex;
    std::optional<std::string> forTesting;
};

ToolPath& toolPath() {
    static ToolPath path;
    return path;
}

// The arguments as the diagnostics quote a command, without the tool's path: described with an
// empty path, the text then starts with the one space that would follow the path.
std::string argumentsDescription(const std::vector<std::string>& arguments) {
    const auto description =
        Platform::commandDescription({.executable = "", .arguments = arguments, .timeLimit = std::nullopt});
    return description.empty() ? description : description.substr(1);
}

// Where launchctl does not exist every scan would fail the same way, every few seconds, for the
// whole session; one line per distinct failure says it all.
struct LoggedFailures {
    std::mutex mutex;
    std::set<std::string> seen;  // tool path and log line of each failure logged so far
};

LoggedFailures& loggedFailures() {
    static LoggedFailures failures;
    return failures;
}

void logLaunchFailureOnce(const std::string& path, const std::string& line) {
    auto& failures = loggedFailures();
    {
        std::lock_guard lock(failures.mutex);
        if (!failures.seen.insert(path + '\0' + line).second) return;
    }
    Platform::systemLog(line);
}

// launchctl describes a job in the user's GUI domain; jobs loaded system-wide only in the system one.
std::optional<std::string> describeJob(const std::string& label) {
    const auto launchctl = launchctlPath();
    if (auto description = run(launchctl, {"print", "gui/" + std::to_string(getuid()) + "/" + label}))
        return description;
    return run(launchctl, {"print", "system/" + label});
}

}  // namespace

std::string launchctlPath() {
    auto& path = toolPath();
    std::lock_guard lock(path.mutex);
    return path.forTesting.value_or(systemLaunchctl);
}

std::optional<std::string> run(const std::string& path, const std::vector<std::string>& arguments,
                               std::chrono::milliseconds timeLimit) {
    auto result = Platform::runProcess({.executable = path, .arguments = arguments, .timeLimit = timeLimit});
    if (result.outcome == Platform::ProcessResult::Outcome::launchFailed) {
        logLaunchFailureOnce(
            path, "Vellumark: launchctl error (" + argumentsDescription(arguments) + "): " + result.launchError);
        return std::nullopt;
    }
    if (result.outcome == Platform::ProcessResult::Outcome::timedOut) {
        Platform::systemLog("Vellumark: launchctl timed out (" + argumentsDescription(arguments) + ") after " +
                            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(timeLimit).count()) + "s");
        return std::nullopt;
    }
    // A job launchctl does not know makes it exit non-zero; killed by a signal is no answer either.
    if (result.outcome != Platform::ProcessResult::Outcome::exited || result.exitStatus != 0) return std::nullopt;
    if (!isValidUTF8(result.output)) return std::nullopt;
    return std::move(result.output);
}

LaunchdParsing::Jobs listJobs() {
    const auto output = run(launchctlPath(), {"list"});
    if (!output) return {};
    return LaunchdParsing::parseList(*output);
}

bool keepsAlive(std::int32_t pid, const LaunchdParsing::Jobs& jobs) {
    const auto job = jobs.find(pid);
    if (job == jobs.end()) return false;
    const auto description = describeJob(job->second);
    if (!description) return false;
    const auto plistPath = LaunchdParsing::parsePlistPath(*description);
    if (!plistPath) return false;
    return JobPropertyList::fileKeepsAlive(*plistPath);
}

namespace Testing {

void setLaunchctlPath(std::optional<std::string> path) {
    auto& toolPathState = toolPath();
    std::lock_guard lock(toolPathState.mutex);
    toolPathState.forTesting = std::move(path);
}

}  // namespace Testing

}  // namespace LaunchdScanner
