// ps reports CPU as an average over a process's whole life, which hides a server that just started
// spinning; the difference of accumulated CPU time between two scans shows what it does now.

#include <cmath>

#include "Shared/Scan/ProcessScannerParsing.h"

namespace ProcessScannerParsing {

ProcessTable withInstantCPU(ProcessTable stats, const CPUTimes& previous, double wallDelta) {
    if (!(wallDelta > 0)) return stats;
    for (auto& [pid, entry] : stats) {
        if (!entry.cpuTimeSeconds) continue;
        const auto before = previous.find(pid);
        if (before == previous.end()) continue;
        const double percent = (*entry.cpuTimeSeconds - before->second) / wallDelta * 100.0;
        // Less time than before means the pid now names another process. An infinite value would
        // not survive the snapshot's JSON, so it counts as unknown like NaN.
        entry.cpu = std::isfinite(percent) && percent > 0 ? percent : 0;
    }
    return stats;
}

}  // namespace ProcessScannerParsing
