#include "Widget/WidgetIntents.h"

#include <algorithm>
#include <limits>

#include "Shared/WidgetChannel/WidgetCommandQueue.h"

namespace {

bool fits32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

KillProjectIntent::KillProjectIntent(const std::vector<DevServer>& servers) {
    for (const DevServer& server : servers) {
        if (server.keptAlive.value_or(false)) continue;
        for (std::int32_t pid : server.groupPIDs) {
            pids.push_back(pid);
            pgids.push_back(server.pgid);
        }
    }
}

void KillProjectIntent::perform() const {
    std::vector<std::int32_t> signalled, groups;
    const std::size_t pairs = std::min(pids.size(), pgids.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        if (!fits32(pids[i]) || !fits32(pgids[i])) continue;
        signalled.push_back(static_cast<std::int32_t>(pids[i]));
        groups.push_back(static_cast<std::int32_t>(pgids[i]));
    }
    WidgetCommandQueue::enqueue(WidgetCommand::kill(std::move(signalled), std::move(groups)));
}

void OpenFolderIntent::perform() const { WidgetCommandQueue::enqueue(WidgetCommand::revealFolder(path)); }

void OpenLocalhostIntent::perform() const {
    if (port >= 1) WidgetCommandQueue::enqueue(WidgetCommand::openLocalhost(port));
}

void perform(const WidgetIntent& intent) {
    std::visit([](const auto& chosen) { chosen.perform(); }, intent);
}
