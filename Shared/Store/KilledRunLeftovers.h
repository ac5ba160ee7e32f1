#pragma once
// What a run of either program leaves behind when it is killed (kill -9 in the middle of a write,
// or while it observes a notification): temporary files beside the snapshot, the command queue and
// the settings, and notification sockets nobody reads. Left alone, they pile up with every kill.

namespace KilledRunLeftovers {

// Removes them; what a living process (the other program, say) is still writing or reading stays.
// Called by both programs at start.
void remove();

}  // namespace KilledRunLeftovers
