#include "App/Control/WidgetCommandExecutor.h"

#include <signal.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <variant>

#include "Platform/ProcessGroups.h"
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

void revealInFileManager(const WidgetCommand::RevealFolder& command) {
    Platform::Workspace::activateFileViewerSelecting(command.path);
}

void openInBrowser(const WidgetCommand::OpenLocalhost& command) {
    if (command.port < 1) return;
    Platform::Workspace::openURL(localhostURL(command.port));
}

}  // namespace

void execute(const std::vector<WidgetCommandQueue::Batch>& batches) {
    for (const WidgetCommandQueue::Batch& batch : batches) {
        for (const WidgetCommand& command : batch.commands) {
            std::visit(Overloaded{[&](const WidgetCommand::Kill& kill) { signalListedProcesses(kill, batch.written); },
                                  [](const WidgetCommand::RevealFolder& folder) { revealInFileManager(folder); },
                                  [](const WidgetCommand::OpenLocalhost& port) { openInBrowser(port); }},
                       command.action);
        }
    }
}

}  // namespace WidgetCommandExecutor
