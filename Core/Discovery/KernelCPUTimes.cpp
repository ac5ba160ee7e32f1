#include "Core/Discovery/KernelCPUTimes.h"

#include <unistd.h>

#include <string>

#include "Platform/AtomicFile.h"

namespace KernelCPUTimes {

ProcessScannerParsing::CPUTimes read(const std::vector<std::int32_t>& pids) {
    ProcessScannerParsing::CPUTimes times;
#if defined(__linux__)
    const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    if (ticksPerSecond <= 0) return times;
    times.reserve(pids.size());
    for (const auto pid : pids) {
        // One line of numbers and a name of at most 16 bytes.
        const auto stat = Platform::readWholeFile("/proc/" + std::to_string(pid) + "/stat", 4096);
        const auto ticks = stat ? ProcessScannerParsing::parseProcStatCPUTicks(*stat) : std::nullopt;
        if (ticks) times.emplace(pid, static_cast<double>(*ticks) / static_cast<double>(ticksPerSecond));
    }
#else
    (void)pids;
#endif
    return times;
}

}  // namespace KernelCPUTimes
