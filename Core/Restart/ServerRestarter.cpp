#include "Core/Restart/ServerRestarter.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "Core/Restart/RestartLaunch.h"
#include "Core/Restart/RestartReadiness.h"
#include "Core/Restart/RestartTracker.h"
#include "Platform/Dispatch.h"
#include "Platform/ProcessGroups.h"
#include "Platform/SystemLog.h"
#include "Shared/Store/DataStore.h"

namespace ServerRestarter {
namespace {

constexpr std::chrono::milliseconds pollInterval{200};

std::set<std::int32_t> pidsInLastSnapshot() {
    std::set<std::int32_t> pids;
    if (const std::optional<ProcessSnapshot> snapshot = DataStore::read()) {
        for (const DevProject& project : snapshot->projects) {
            for (const DevServer& server : project.servers)
                pids.insert(server.groupPIDs.begin(), server.groupPIDs.end());
        }
    }
    return pids;
}

// Whole seconds for the log line; negative or not-a-number spans count as none.
long long wholeSeconds(Trackers::Seconds span) {
    const double seconds = span.count();
    if (!(seconds > 0)) return 0;
    return seconds >= 1e15 ? 1000000000000000LL : static_cast<long long>(seconds);
}

std::chrono::steady_clock::time_point deadlineAfter(Trackers::Seconds span) {
    constexpr double oneYear = 365.0 * 86400;
    double seconds = span.count();
    if (!(seconds > 0)) seconds = 0;  // also NaN
    if (seconds > oneYear) seconds = oneYear;
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(Trackers::Seconds(seconds));
}

struct StopRequest {
    std::vector<std::int32_t> groupPIDs;
    std::int32_t pgid = 0;
    Platform::Date listedAt;
    RestartEntry::ID entryID;
    std::string command;
    Plan plan;
    Trackers::Seconds timeout{0};
};

bool groupStillRuns(const StopRequest& request) {
    for (std::int32_t pid : request.groupPIDs) {
        if (Platform::ProcessGroups::isListedMember(pid, request.pgid, request.listedAt)) return true;
    }
    return false;
}

void stopAndWait(const StopRequest& request) {
    RestartTracker& tracker = RestartTracker::shared();
    // Only pids still in the group: one that left it, or a number since reused, is someone else's.
    Platform::ProcessGroups::signalMembers(request.groupPIDs, request.pgid, SIGTERM, request.listedAt);
    const auto deadline = deadlineAfter(request.timeout);
    while (groupStillRuns(request)) {
        const std::optional<RestartEntry> entry = tracker.entry(request.entryID);
        if (!entry || entry->cancelled) {
            tracker.remove(request.entryID);
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            Platform::systemLog("Vellumark: restart aborted — " + request.command + " ignored SIGTERM for " +
                                std::to_string(wholeSeconds(request.timeout)) + "s");
            tracker.remove(request.entryID);
            return;
        }
        std::this_thread::sleep_for(pollInterval);
    }
    if (tracker.shouldSpawn(request.entryID, std::chrono::system_clock::now())) {
        launch(request.plan, request.entryID);
    } else {
        tracker.remove(request.entryID);
    }
}

}  // namespace

void restart(const DevServer& server, Platform::Date listedAt, const std::string& projectName,
             const std::string& projectPath, Trackers::Seconds timeout) {
    if (server.containerID) return;
    // Without real ids the stop could reach no process or the wrong ones.
    if (server.pid <= 0 || server.pgid <= 0) return;
    // Asked again right before the stop: the panel's answer may be out of date by now.
    std::optional<Plan> plan = currentPlan(server);
    if (!plan) return;

    RestartEntry entry;
    entry.id = RestartEntry::makeID();
    entry.originalPID = server.pid;
    entry.originalPGID = server.pgid;
    entry.priorPIDs = pidsInLastSnapshot();
    entry.ports = server.ports;
    entry.command = server.command;
    entry.cwd = server.cwd.value_or("");
    entry.projectPath = projectPath;
    entry.projectName = projectName;
    entry.plan = *plan;
    entry.phase = RestartEntry::Phase::stopping();
    entry.phaseChangedAt = std::chrono::system_clock::now();
    const RestartEntry::ID id = entry.id;
    if (!RestartTracker::shared().begin(std::move(entry))) return;

    Platform::systemLog("Vellumark: restart " + server.command + ", pgid " + std::to_string(server.pgid) + ", cwd " +
                        plan->workingDirectory);

    StopRequest request;
    // An empty group list would make the group look gone at once and start a second copy beside the
    // running one; the representative is always part of its group.
    request.groupPIDs = server.groupPIDs.empty() ? std::vector<std::int32_t>{server.pid} : server.groupPIDs;
    request.pgid = server.pgid;
    request.listedAt = listedAt;
    request.entryID = id;
    request.command = server.command;
    request.plan = std::move(*plan);
    request.timeout = timeout;
    Platform::Dispatch::globalAsync(Platform::Dispatch::QoS::userInitiated,
                                    [request = std::move(request)] { stopAndWait(request); });
}

void retry(const RestartEntry::ID& id) {
    std::optional<Plan> plan = RestartTracker::shared().markRetrying(id, std::chrono::system_clock::now());
    if (!plan) return;
    Platform::Dispatch::globalAsync(Platform::Dispatch::QoS::userInitiated,
                                    [plan = std::move(*plan), id] { launch(plan, id); });
}

}  // namespace ServerRestarter
