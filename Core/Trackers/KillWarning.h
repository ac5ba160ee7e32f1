#pragma once
// The one-time warnings before the first stop and the first force stop. Each is acknowledged once and
// remembered in the App Group defaults suite (the standard defaults when the suite cannot be opened);
// the application never clears them.

namespace KillWarning {

inline constexpr const char* killKey = "killWarningAcknowledged";            // plain stop, signal 15
inline constexpr const char* forceKillKey = "forceKillWarningAcknowledged";  // force stop, signal 9

// True until the warning for that kind of stop was acknowledged. Callers pass force = (signal == 9).
bool needsWarning(bool force);
void acknowledge(bool force);

}  // namespace KillWarning
