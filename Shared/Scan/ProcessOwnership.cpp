// Only the user's own processes make servers: the platform the scan was made for lists no other
// user's, and a signal or a restart must never be offered for one.

#include "Shared/Scan/ProcessScannerParsing.h"

namespace ProcessScannerParsing {

ListeningPorts ownListeners(ListeningPorts listeners, const ProcessOwners& owners, std::uint32_t uid) {
    erase_if(listeners, [&](const auto& entry) {
        const auto owner = owners.find(entry.first);
        return owner == owners.end() || owner->second != uid;
    });
    return listeners;
}

ProcessTable withoutOthersProcesses(ProcessTable table, const ProcessOwners& owners, std::uint32_t uid) {
    erase_if(table, [&](const auto& entry) {
        const auto owner = owners.find(entry.first);
        return owner != owners.end() && owner->second != uid;
    });
    return table;
}

}  // namespace ProcessScannerParsing
