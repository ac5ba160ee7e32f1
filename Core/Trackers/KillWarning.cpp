#include "Core/Trackers/KillWarning.h"

#include "Shared/Settings/AppGroup.h"

namespace KillWarning {

bool needsWarning(bool force) {
    // A missing entry, or one holding anything but a flag, reads as not acknowledged.
    return !AppGroup::sharedDefaults().boolean(force ? forceKillKey : killKey).value_or(false);
}

void acknowledge(bool force) { AppGroup::sharedDefaults().set(force ? forceKillKey : killKey, true); }

}  // namespace KillWarning
