#pragma once
// Carries out the commands that the widget queued (Shared/WidgetChannel). Nothing is reported back:
// the widget sees the effect in the next snapshot.

#include <cstddef>
#include <vector>

#include "Shared/WidgetChannel/WidgetCommandQueue.h"

namespace WidgetCommandExecutor {

// Each revealFolder and openLocalhost starts a program (the file manager, the browser through
// xdg-open): one drain starts at most this many, so that a flooded queue cannot start hundreds.
inline constexpr std::size_t openingsPerDrain = 16;

// On the main thread, the commands of one drain, each in queue order:
// - kill: for each pair (pids[i], pgids[i]) up to the shorter list, SIGTERM to the process when it
//   is still in that process group, of our real user, and had started by the time its batch's file
//   was written (Platform/ProcessGroups.h). Pairs with a pid or pgid below 1 are skipped: kill()
//   would read 0 as this application's own group and -1 as every process of the user. SIGKILL is
//   never sent.
// - revealFolder: the file manager shows the path selected (Platform/Workspace.h).
// - openLocalhost: ports from 1 up open http://localhost:<port> in the browser; no upper bound.
// An opening (revealFolder, openLocalhost) that repeats an earlier one of the drain is left out, and
// those beyond openingsPerDrain are dropped, with one log line saying how many.
void execute(const std::vector<WidgetCommandQueue::Batch>& batches);

}  // namespace WidgetCommandExecutor
