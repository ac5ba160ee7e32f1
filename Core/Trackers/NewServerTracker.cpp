#include "Core/Trackers/NewServerTracker.h"

NewServerTracker& NewServerTracker::shared() {
    static NewServerTracker* instance = new NewServerTracker;
    return *instance;
}

void NewServerTracker::update(const std::set<std::int32_t>& pgids, Platform::Date now) {
    std::erase_if(firstSeen_, [&](const auto& entry) { return !pgids.contains(entry.first); });
    std::erase_if(acknowledged_, [&](std::int32_t pgid) { return !pgids.contains(pgid); });
    std::erase_if(notified_, [&](std::int32_t pgid) { return !pgids.contains(pgid); });
    for (std::int32_t pgid : pgids) firstSeen_.try_emplace(pgid, now);
    if (!didInitialize_) {
        didInitialize_ = true;
        acknowledged_.insert(pgids.begin(), pgids.end());
        notified_.insert(pgids.begin(), pgids.end());
    }
}

bool NewServerTracker::isNew(std::int32_t pgid, Platform::Date now) const {
    if (acknowledged_.contains(pgid)) return false;
    const auto seen = firstSeen_.find(pgid);
    return seen != firstSeen_.end() && recent(seen->second, now);
}

std::vector<std::int32_t> NewServerTracker::unnotifiedNewPGIDs(Platform::Date now) const {
    std::vector<std::int32_t> result;
    for (const auto& [pgid, seen] : firstSeen_) {
        if (!notified_.contains(pgid) && recent(seen, now)) result.push_back(pgid);
    }
    return result;
}

void NewServerTracker::markAllNotified() {
    for (const auto& entry : firstSeen_) notified_.insert(entry.first);
}
