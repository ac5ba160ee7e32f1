#pragma once
// The CPU time the kernel has counted for a few processes, to the clock tick, read from
// /proc/<pid>/stat. Linux only: elsewhere (and without /proc) nothing is read and the scan keeps the
// times ps prints. Any thread; no state.

#include <cstdint>
#include <vector>

#include "Shared/Scan/ProcessScannerParsing.h"

namespace KernelCPUTimes {

// Seconds of user and system time each process has used so far. Processes that have gone, or
// whose file does not read as expected, are left out.
ProcessScannerParsing::CPUTimes read(const std::vector<std::int32_t>& pids);

}  // namespace KernelCPUTimes
