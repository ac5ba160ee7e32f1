#pragma once
// Whether a restart can bring a server back, asked when the panel offers one and again right before
// the stop: a restart that could not run must not stop a server that would then stay down.

#include <optional>

#include "Core/Restart/RestartPlan.h"
#include "Shared/DevServer.h"

namespace ServerRestarter {

// The plan that restarts the server as it runs at this moment, in the user's shell (userShell()).
// None for a container or a server without a positive pid, when plan() gives none for its command
// line and the argument vector its process has now, when its folder is no longer a folder, when the
// shell is not an executable file, or when the first argument does not name the program the process
// runs (found as the shell would find it, in the process's own PATH): a process that set its own
// title would otherwise be restarted as that title.
std::optional<Plan> currentPlan(const DevServer& server);

}  // namespace ServerRestarter
