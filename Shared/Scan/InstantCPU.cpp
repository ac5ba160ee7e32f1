// ps reports CPU as an average over a process's whole life, which hides a server that just started
// spinning; the difference of accumulated CPU time between two scans shows what it does now. Where
// the kernel's exact times are at hand, they take the place of ps's whole seconds.

#include <algorithm>
#include <cmath>
#include <iterator>

#include "Platform/ProcFS.h"
#include "Shared/Scan/ProcessIDIndex.h"
#include "Shared/Scan/ProcessScannerParsing.h"

namespace ProcessScannerParsing {

namespace {

// Less time than before means the pid now names another process. An infinite value would not
// survive the snapshot's JSON, so it counts as unknown like NaN.
double percentSince(double now, double before, double wallDelta) {
    const double percent = (now - before) / wallDelta * 100.0;
    return std::isfinite(percent) && percent > 0 ? percent : 0;
}

}  // namespace

CPUTimes cpuTimes(const ProcessTable& table) {
    CPUTimes times;
    times.reserve(table.size());
    for (const auto& [pid, entry] : table)
        if (entry.cpuTimeSeconds) times.emplace(pid, *entry.cpuTimeSeconds);
    return times;
}

ProcessTable withInstantCPU(ProcessTable stats, const CPUTimes& previous, double wallDelta) {
    if (!(wallDelta > 0)) return stats;
    // Both sorted by pid, so they are walked side by side.
    auto before = previous.begin();
    for (auto& [pid, entry] : stats) {
        while (before != previous.end() && before->first < pid) ++before;
        if (before == previous.end()) break;
        if (before->first == pid && entry.cpuTimeSeconds)
            entry.cpu = percentSince(*entry.cpuTimeSeconds, before->second, wallDelta);
    }
    return stats;
}

ProcessTable withExactInstantCPU(ProcessTable stats, const CPUTimes& exact, const CPUTimes& previousExact,
                                 double wallDelta) {
    if (!(wallDelta > 0)) return stats;
    // All three sorted by pid, so they are walked side by side.
    auto before = previousExact.begin();
    auto entry = stats.begin();
    for (const auto& [pid, now] : exact) {
        while (before != previousExact.end() && before->first < pid) ++before;
        while (entry != stats.end() && entry->first < pid) ++entry;
        if (before == previousExact.end() || entry == stats.end()) break;
        if (before->first == pid && entry->first == pid)
            entry->second.cpu = percentSince(now, before->second, wallDelta);
    }
    return stats;
}

std::optional<std::uint64_t> parseProcStatCPUTicks(std::string_view text) {
    constexpr std::size_t utime = 14 - 3, stime = 15 - 3;
    const auto fields = Platform::ProcFS::statFields(text);
    if (fields.size() <= stime) return std::nullopt;
    const auto user = Platform::ProcFS::parseCounter(fields[utime]);
    const auto system = Platform::ProcFS::parseCounter(fields[stime]);
    std::uint64_t total = 0;
    if (!user || !system || __builtin_add_overflow(*user, *system, &total)) return std::nullopt;
    return total;
}

std::vector<std::int32_t> listeningGroupMembers(const ProcessTable& table, const ListeningPorts& listeners) {
    std::vector<std::int32_t> groups, missing, members;
    ProcessTable::AscendingFinder entries(table);
    for (const auto& [pid, ports] : listeners) {  // by ascending pid
        const auto* entry = entries.find(pid);
        if (!entry) missing.push_back(pid);
        groups.push_back(entry ? entry->second.pgid : pid);
    }
    std::sort(groups.begin(), groups.end());
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    const ProcessIDIndex index(groups);
    std::vector<std::int32_t> found;  // in pid order, as the table is
    for (const auto& [pid, entry] : table)
        if (index.find(entry.pgid)) found.push_back(pid);
    std::merge(found.begin(), found.end(), missing.begin(), missing.end(), std::back_inserter(members));
    return members;
}

}  // namespace ProcessScannerParsing
