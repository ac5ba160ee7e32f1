#include "Core/Trackers/EnergyMonitor.h"

EnergyMonitor& EnergyMonitor::shared() {
    static EnergyMonitor* instance = new EnergyMonitor;
    return *instance;
}

void EnergyMonitor::update(const std::map<std::int32_t, double>& cpuByPGID,
                           const std::map<std::int32_t, std::int64_t>& rssByPGID, Platform::Date now) {
    std::erase_if(samples_, [&](const auto& entry) { return !cpuByPGID.contains(entry.first); });
    std::erase_if(high_, [&](std::int32_t pgid) { return !cpuByPGID.contains(pgid); });

    for (const auto& [pgid, cpu] : cpuByPGID) {
        std::vector<Sample>& history = samples_[pgid];
        history.push_back({now, cpu});
        // A sample exactly 30 s old still counts.
        std::erase_if(history, [&](const Sample& sample) { return now - sample.t > window; });

        double sum = 0;
        for (const Sample& sample : history) sum += sample.cpu;
        const double average = sum / static_cast<double>(history.size());

        const auto rss = rssByPGID.find(pgid);
        const bool big = rss != rssByPGID.end() && rss->second >= oneGB;

        if (high_.contains(pgid)) {
            if (average < lowCPU && !big) high_.erase(pgid);
        } else if (average >= highCPU || big) {
            high_.insert(pgid);
        }
    }
}
