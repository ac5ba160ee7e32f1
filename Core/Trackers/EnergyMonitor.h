#pragma once
// Which process groups run hot: a group turns hot when its CPU averaged over the last 30 seconds
// reaches 25 % of one core, or at once when its resident memory reaches 1 GiB; it cools only when
// the average falls below 15 % and its memory is under 1 GiB. A group missing from one scan loses its
// history and its hot state.
//
// Main thread only; no lock.

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "Platform/ISO8601.h"

class EnergyMonitor {
public:
    struct Sample {
        Platform::Date t;
        double cpu = 0;
        bool operator==(const Sample&) const = default;
    };

    static constexpr std::chrono::seconds window{30};
    static constexpr double highCPU = 25.0;
    static constexpr double lowCPU = 15.0;
    static constexpr std::int64_t oneGB = 1073741824;

    // The process-wide monitor, created on first use and never released.
    static EnergyMonitor& shared();

    // One scan: CPU percent and resident bytes summed per process group.
    void update(const std::map<std::int32_t, double>& cpuByPGID, const std::map<std::int32_t, std::int64_t>& rssByPGID,
                Platform::Date now);
    bool isHigh(std::int32_t pgid) const { return high_.contains(pgid); }

    const std::map<std::int32_t, std::vector<Sample>>& samples() const { return samples_; }
    const std::set<std::int32_t>& high() const { return high_; }

private:
    std::map<std::int32_t, std::vector<Sample>> samples_;  // oldest first
    std::set<std::int32_t> high_;
};
