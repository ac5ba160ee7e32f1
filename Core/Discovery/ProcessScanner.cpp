#include "Core/Discovery/ProcessScanner.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>

#include <unistd.h>

#include "Core/Discovery/KernelCPUTimes.h"
#include "Core/Discovery/WorkingFolders.h"
#include "Core/Docker/DockerScanner.h"
#include "Core/Launchd/LaunchdScanner.h"
#include "Platform/ProcFS.h"
#include "Platform/ProcessRunner.h"
#include "Platform/SystemLog.h"
#include "Platform/ToolPaths.h"
#include "Platform/UserDefaults.h"
#include "Platform/UserPaths.h"
#include "Shared/Docker/DockerParsing.h"
#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/Settings/FilterRules.h"
#include "Shared/UTF8.h"

namespace ProcessScanner {

namespace {

namespace Parsing = ProcessScannerParsing;

// A monotonic clock: a change of the wall clock between two scans must not turn into CPU use.
using Clock = std::chrono::steady_clock;

constexpr std::string_view servicePrefix = "service://";

// What one scan leaves for the next. Read and replaced only under `mutex`, which each scan holds
// for its whole run.
struct ScanState {
    std::mutex mutex;
    Parsing::CPUTimes previousCPUTimes;       // ps's, of every process
    Parsing::CPUTimes previousExactCPUTimes;  // the kernel's, of the processes of listening groups
    std::optional<Clock::time_point> previousTickDate;
};

// Never destroyed: a scan on a worker thread may still be running while the program exits, and must
// not find its state (or a held mutex) torn down under it by the static destructors.
ScanState& scanState() {
    static ScanState& state = *new ScanState;
    return state;
}

// The tools and time limit a test put in place of the real ones. Never destroyed, as above.
struct ToolsForTesting {
    std::mutex mutex;
    std::optional<std::string> lsof, ps;
    std::optional<std::chrono::milliseconds> timeLimit;
};

ToolsForTesting& toolsForTesting() {
    static ToolsForTesting& tools = *new ToolsForTesting;
    return tools;
}

struct Tools {
    std::string lsof, ps;
    std::chrono::milliseconds timeLimit;
};

Tools tools() {
    auto& replaced = toolsForTesting();
    std::lock_guard lock(replaced.mutex);
    return {replaced.lsof.value_or(Platform::ToolPaths::lsof), replaced.ps.value_or(Platform::ToolPaths::ps),
            replaced.timeLimit.value_or(Platform::ToolPaths::timeLimit)};
}

// Built per call for the same reason: a global vector would be freed at exit while a scan copies it.
std::vector<std::string> processTableArguments() {
    return {"-axwwo", "pid=,pgid=,pcpu=,pmem=,rss=,etime=,time=,command="};
}
std::vector<std::string> listeningPortsArguments() { return {"-nP", "-w", "-iTCP", "-sTCP:LISTEN", "-Fpn"}; }

bool isServiceProject(const DevProject& project) { return project.path.starts_with(servicePrefix); }

// The home folder as the scope rules compare it: without a trailing "/", so that a HOME of "/u/"
// still puts ~/Development/<name> projects at "/u/Development/<name>".
std::string homeFolder() {
    std::string home = Platform::homeDirectory().string();
    while (home.size() > 1 && home.ends_with('/')) home.pop_back();
    return home;
}

std::string developmentFolder(const std::string& home) { return (home == "/" ? "" : home) + "/Development"; }

std::vector<std::int32_t> pidsOf(const Parsing::ListeningPorts& listeners) {
    std::vector<std::int32_t> pids;
    pids.reserve(listeners.size());
    for (const auto& [pid, ports] : listeners) pids.push_back(pid);
    return pids;
}

// The real user of each process that can make part of a server; a process that has gone is left out.
Parsing::ProcessOwners ownersOf(const std::vector<std::int32_t>& pids) {
    Parsing::ProcessOwners owners;
    owners.reserve(pids.size());
    for (const std::int32_t pid : pids) {  // ascending
        if (const auto uid = Platform::ProcFS::realUID(pid)) owners.emplace(pid, *uid);
    }
    return owners;
}

}  // namespace

ShellOutput runShell(const std::string& path, const std::vector<std::string>& arguments,
                     std::chrono::milliseconds timeLimit) {
    const Platform::ProcessRequest request{.executable = path, .arguments = arguments, .timeLimit = timeLimit};
    auto result = Platform::runProcess(request);
    switch (result.outcome) {
    case Platform::ProcessResult::Outcome::launchFailed:
        Platform::systemLog("Vellumark: shell error running " + Platform::commandDescription(request) + ": " +
                            result.launchError);
        return {};
    case Platform::ProcessResult::Outcome::timedOut:
        Platform::systemLog("Vellumark: shell timed out running " + Platform::commandDescription(request) + " after " +
                            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(timeLimit).count()) + "s");
        return {.text = std::nullopt, .timedOut = true};
    case Platform::ProcessResult::Outcome::exited:
    case Platform::ProcessResult::Outcome::killedBySignal: break;
    }
    return {.text = replacingInvalidUTF8(result.output), .timedOut = false};
}

std::vector<DevProject> annotateKeepAlive(std::vector<DevProject> projects) {
    if (std::none_of(projects.begin(), projects.end(), isServiceProject)) return projects;
    const auto jobs = LaunchdScanner::listJobs();
    if (jobs.empty()) return projects;
    for (auto& project : projects) {
        if (!isServiceProject(project)) continue;
        for (auto& server : project.servers) server.keptAlive = LaunchdScanner::keepsAlive(server.pid, jobs);
    }
    return projects;
}

std::optional<std::vector<DevProject>> scan() {
    auto& state = scanState();
    std::lock_guard lock(state.mutex);

    const auto rules = FilterRules::load(Platform::UserDefaults::standard());
    const Tools tool = tools();
    const ShellOutput portsOutput = runShell(tool.lsof, listeningPortsArguments(), tool.timeLimit);
    if (portsOutput.timedOut) return std::nullopt;
    const ShellOutput psOutput = runShell(tool.ps, processTableArguments(), tool.timeLimit);
    if (psOutput.timedOut) return std::nullopt;
    auto listeners = Parsing::parseListeningPorts(portsOutput.text.value_or(""));
    auto table = Parsing::parsePS(psOutput.text.value_or(""), listeners);
    // Run as root, the tools list every user's processes; only ours make servers.
    const auto owners = ownersOf(Parsing::listeningGroupMembers(table, listeners));
    listeners = Parsing::ownListeners(std::move(listeners), owners, ::getuid());
    table = Parsing::withoutOthersProcesses(std::move(table), owners, ::getuid());
    // Only the listeners' folders reach a server: lsof would walk every open file of every process
    // (most of a scan's cost) to print the folders of all of them.
    const auto cwds = Parsing::parseCWDs(WorkingFolders::asLsofText(pidsOf(listeners)), listeners);

    // Read right before the clock, so that both measure the same stretch of time.
    auto exactTimes = KernelCPUTimes::read(Parsing::listeningGroupMembers(table, listeners));
    const auto now = Clock::now();
    const double wallDelta =
        state.previousTickDate ? std::chrono::duration<double>(now - *state.previousTickDate).count() : 0.0;
    auto times = Parsing::cpuTimes(table);
    auto stats = Parsing::withInstantCPU(std::move(table), state.previousCPUTimes, wallDelta);
    stats = Parsing::withExactInstantCPU(std::move(stats), exactTimes, state.previousExactCPUTimes, wallDelta);
    state.previousCPUTimes = std::move(times);
    state.previousExactCPUTimes = std::move(exactTimes);
    state.previousTickDate = now;

    const auto home = homeFolder();
    const auto devFolder = developmentFolder(home);
    auto projects = Parsing::buildProjects(cwds, listeners, stats, home, devFolder, static_cast<std::int32_t>(getpid()),
                                           rules.excludedFolders, rules.includedFolders, rules.watchedPorts);
    projects = DockerParsing::merge(DockerScanner::scan(), std::move(projects), devFolder, rules.excludedFolders);
    projects = annotateKeepAlive(std::move(projects));
    return Parsing::applyFilters(std::move(projects), rules);
}

namespace Testing {

void setTools(std::optional<std::string> lsof, std::optional<std::string> ps) {
    auto& tools = toolsForTesting();
    std::lock_guard lock(tools.mutex);
    tools.lsof = std::move(lsof);
    tools.ps = std::move(ps);
}

void setTimeLimit(std::optional<std::chrono::milliseconds> limit) {
    auto& tools = toolsForTesting();
    std::lock_guard lock(tools.mutex);
    tools.timeLimit = limit;
}

}  // namespace Testing

}  // namespace ProcessScanner
