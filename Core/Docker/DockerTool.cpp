#include "Core/Docker/DockerTool.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include <sys/stat.h>

#include "Platform/ProcessRunner.h"
#include "Platform/ProgramLookup.h"
#include "Platform/SystemLog.h"
#include "Platform/UserPaths.h"
#include "Shared/UTF8.h"

namespace DockerScanner {

namespace {

// The located tool, shared by the scan's thread and the action queue: filled once under the lock.
struct ToolLookup {
    std::mutex mutex;
    std::optional<std::optional<std::string>> located;  // none: not looked up yet
    std::optional<std::vector<std::string>> candidatesForTesting;
    std::optional<std::vector<std::string>> socketsForTesting;
};

ToolLookup& toolLookup() {
    static ToolLookup lookup;
    return lookup;
}

std::string homeFolder() { return Platform::homeDirectory().string(); }

std::vector<std::string> realCandidates() {
    return {"/usr/local/bin/docker", "/opt/homebrew/bin/docker", homeFolder() + "/.docker/bin/docker",
            "/usr/bin/docker"};
}

std::vector<std::string> candidatesLocked(const ToolLookup& lookup) {
    return lookup.candidatesForTesting ? *lookup.candidatesForTesting : realCandidates();
}

bool fileExists(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
}

// On Linux the daemon's socket is often elsewhere (rootless Docker, Podman); DOCKER_HOST then says
// where, and the tool we run will use it.
std::optional<std::string> dockerHostSocket() {
    constexpr std::string_view scheme = "unix://";
    const char* host = std::getenv("DOCKER_HOST");
    if (!host) return std::nullopt;
    const std::string_view value(host);
    if (!value.starts_with(scheme) || value.size() == scheme.size()) return std::nullopt;
    return std::string(value.substr(scheme.size()));
}

std::chrono::milliseconds timeLimit(double seconds) {
    constexpr double longest = 24.0 * 3600.0;  // far beyond any caller; keeps the conversion defined
    if (!(seconds > 0)) return std::chrono::milliseconds(0);
    return std::chrono::milliseconds(static_cast<std::int64_t>(std::min(seconds, longest) * 1000.0));
}

std::string wholeSeconds(double seconds) {
    if (!std::isfinite(seconds)) return "0";
    return std::to_string(static_cast<std::int64_t>(std::clamp(seconds, -9.0e18, 9.0e18)));
}

}  // namespace

std::vector<std::string> cliCandidates() {
    auto& lookup = toolLookup();
    std::lock_guard lock(lookup.mutex);
    return candidatesLocked(lookup);
}

std::optional<std::string> cli() {
    auto& lookup = toolLookup();
    std::lock_guard lock(lookup.mutex);
    if (!lookup.located) {
        lookup.located.emplace();
        for (const auto& candidate : candidatesLocked(lookup)) {
            if (Platform::isExecutableFile(candidate)) {
                lookup.located->emplace(candidate);
                break;
            }
        }
    }
    return *lookup.located;
}

std::vector<std::string> socketCandidates() {
    auto& lookup = toolLookup();
    std::lock_guard lock(lookup.mutex);
    if (lookup.socketsForTesting) return *lookup.socketsForTesting;
    return {homeFolder() + "/.docker/run/docker.sock", "/var/run/docker.sock"};
}

bool socketPresent() {
    const auto candidates = socketCandidates();
    if (std::any_of(candidates.begin(), candidates.end(), fileExists)) return true;
    const auto hostSocket = dockerHostSocket();
    return hostSocket && fileExists(*hostSocket);
}

std::optional<std::string> run(const std::string& path, const std::vector<std::string>& arguments,
                               double timeoutSeconds) {
    const std::string firstArgument = arguments.empty() ? std::string() : arguments.front();
    auto result =
        Platform::runProcess({.executable = path, .arguments = arguments, .timeLimit = timeLimit(timeoutSeconds)});
    switch (result.outcome) {
    case Platform::ProcessResult::Outcome::launchFailed:
        Platform::systemLog("Vellumark: docker launch error (" + firstArgument + "): " + result.launchError);
        return std::nullopt;
    case Platform::ProcessResult::Outcome::timedOut:
        Platform::systemLog("Vellumark: docker " + firstArgument + " timed out after " + wholeSeconds(timeoutSeconds) +
                            "s");
        return std::nullopt;
    case Platform::ProcessResult::Outcome::exited:
    case Platform::ProcessResult::Outcome::killedBySignal: break;
    }
    if (!isValidUTF8(result.output)) return std::nullopt;
    return std::move(result.output);
}

namespace Testing {

void resetCLICache() {
    auto& lookup = toolLookup();
    std::lock_guard lock(lookup.mutex);
    lookup.located.reset();
}

void setCLICandidates(std::optional<std::vector<std::string>> candidates) {
    auto& lookup = toolLookup();
    std::lock_guard lock(lookup.mutex);
    lookup.candidatesForTesting = std::move(candidates);
    lookup.located.reset();
}

void setSocketCandidates(std::optional<std::vector<std::string>> candidates) {
    auto& lookup = toolLookup();
    std::lock_guard lock(lookup.mutex);
    lookup.socketsForTesting = std::move(candidates);
}

}  // namespace Testing

}  // namespace DockerScanner
