#include "Core/PanelModel/StopRoad.h"

#include <signal.h>

#include <chrono>
#include <string>

#include "Core/Docker/DockerScanner.h"
#include "Core/Trackers/ContainerActionTracker.h"
#include "Core/Trackers/KillTracker.h"
#include "Platform/ProcessGroups.h"
#include "Platform/SystemLog.h"

namespace StopRoad {
namespace {

std::string bracketed(const std::vector<std::int32_t>& pids) {
    std::string text = "[";
    for (std::size_t i = 0; i < pids.size(); ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(pids[i]);
    }
    return text + "]";
}

}  // namespace

Outcome performKill(const DevServer& server, std::int32_t signal, Platform::Date listedAt,
                    std::function<void()> containerDone) {
    const bool force = isForce(signal);
    if (server.keptAlive.value_or(false)) {
        Platform::systemLog("Vellumark: refusing to stop " + server.command + " — launchd KeepAlive would restart it");
        return Outcome::refusedKeptAlive;
    }
    if (server.containerID) {
        const std::string& id = *server.containerID;
        Platform::systemLog(std::string("Vellumark: docker ") + (force ? "kill" : "stop") + " " +
                            server.containerName.value_or(id));
        ContainerActionTracker::shared().setPhase(id, ContainerActionTracker::Phase::stopping);
        DockerScanner::stop(id, force, std::move(containerDone));
        return Outcome::containerRequested;
    }
    Platform::systemLog(std::string("Vellumark: ") + (force ? "force-kill" : "kill") + " " + server.command +
                        ", pgid " + std::to_string(server.pgid) + ", pids " + bracketed(server.groupPIDs));
    const std::size_t reached =
        Platform::ProcessGroups::signalMembers(server.groupPIDs, server.pgid, force ? SIGKILL : SIGTERM, listedAt);
    // A signal that reached nobody stopped nothing: showing the row as stopping would be a lie.
    if (reached == 0) return Outcome::nothingSignalled;
    KillTracker::shared().recordStop(server.pgid, std::chrono::system_clock::now());
    return Outcome::signalled;
}

}  // namespace StopRoad
