#include "Core/Control/WidgetCommandExecutor.h"

#include <signal.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <variant>

#include "Platform/ProcessGroups.h"
#include "Platform/SystemLog.h"
#include "Platform/Workspace.h"
#include "Shared/LocalhostURL.h"
#include "Shared/Overloaded.h"

namespace WidgetCommandExecutor {
namespace {

void signalListedProcesses(const WidgetCommand::Kill& command, Platform::Date written) {
    const std::size_t pairs = std::min(command.pids.size(), command.pgids.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        // A process that has gone has no group, one that moved has another, one that started after
        // the file was written holds a reused number: all are skipped, and so are ids that kill()
        // would read as our own group or every process of the user.
        Platform::ProcessGroups::signalMembers({command.pids[i]}, command.pgids[i], SIGTERM, written);
    }
}

// The openings of one drain: each distinct one once, up to the bound.
class Openings {
public:
    // Whether the opening with this key (what tells it apart from others) is to be carried out now.
    bool admit(std::string key) {
        if (!seen_.insert(std::move(key)).second) return false;
        if (admitted_ < openingsPerDrain) return ++admitted_, true;
        ++dropped_;
        return false;
    }
    ~Openings() {
        if (dropped_ > 0)
            Platform::systemLog("Vellumark: dropped " + std::to_string(dropped_) +
                                " widget open and reveal commands beyond " + std::to_string(openingsPerDrain) +
                                " in one drain");
    }

private:
    std::set<std::string> seen_;
    std::size_t admitted_ = 0;
    std::size_t dropped_ = 0;
};

}  // namespace

void execute(const std::vector<WidgetCommandQueue::Batch>& batches) {
    Openings openings;
    for (const WidgetCommandQueue::Batch& batch : batches) {
        for (const WidgetCommand& command : batch.commands) {
            // An empty path or a port below 1 opens nothing, so it does not count.
            std::visit(Overloaded{[&](const WidgetCommand::Kill& kill) { signalListedProcesses(kill, batch.written); },
                                  [&](const WidgetCommand::RevealFolder& folder) {
                                      if (!folder.path.empty() && openings.admit("reveal " + folder.path))
                                          Platform::Workspace::activateFileViewerSelecting(folder.path);
                                  },
                                  [&](const WidgetCommand::OpenLocalhost& port) {
                                      const std::string url = localhostURL(port.port);
                                      if (port.port >= 1 && openings.admit("open " + url))
                                          Platform::Workspace::openURL(url);
                                  }},
                       command.action);
        }
    }
}

}  // namespace WidgetCommandExecutor
