#include "Core/Trackers/BadgeTrackers.h"

#include <chrono>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>

#include "Core/Trackers/ContainerActionTracker.h"
#include "Core/Trackers/EnergyMonitor.h"
#include "Core/Trackers/KillTracker.h"
#include "Core/Trackers/NewServerTracker.h"

namespace BadgeTrackers {
namespace {

// Absurd sizes from a misbehaving tool must not overflow the sum.
std::int64_t saturatingSum(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

}  // namespace

void feed(const std::vector<DevProject>& projects) {
    feed(projects, std::chrono::system_clock::now(),
         Targets{EnergyMonitor::shared(), NewServerTracker::shared(), ContainerActionTracker::shared(),
                 KillTracker::shared()});
}

void feed(const std::vector<DevProject>& projects, Platform::Date now, const Targets& targets) {
    std::map<std::int32_t, double> cpuByPGID;
    std::map<std::int32_t, std::int64_t> rssByPGID;
    std::set<std::int32_t> pgids;
    std::set<std::string> containerIDs;
    for (const DevProject& project : projects) {
        for (const DevServer& server : project.servers) {
            cpuByPGID[server.pgid] += server.cpu;
            rssByPGID[server.pgid] = saturatingSum(rssByPGID[server.pgid], server.rss.value_or(0));
            pgids.insert(server.pgid);
            if (server.containerID) containerIDs.insert(*server.containerID);
        }
    }
    targets.energy.update(cpuByPGID, rssByPGID, now);
    targets.newServers.update(pgids, now);
    targets.containers.reconcile(containerIDs, now);
    targets.kills.reconcile(pgids, now);
}

}  // namespace BadgeTrackers
