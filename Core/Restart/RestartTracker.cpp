#include "Core/Restart/RestartTracker.h"

#include <signal.h>

#include <algorithm>
#include <utility>

#include "Core/Restart/RestartLaunch.h"

RestartTracker& RestartTracker::shared() {
    static std::shared_ptr<RestartTracker>* instance = new std::shared_ptr<RestartTracker>(make());
    return **instance;
}

std::shared_ptr<RestartTracker> RestartTracker::make() { return std::make_shared<RestartTracker>(Key()); }

std::optional<DevServer> RestartTracker::matchedServer(const RestartEntry& entry,
                                                       const std::vector<DevProject>& projects) {
    if (entry.spawnedPID) {
        for (const DevProject& project : projects) {
            for (const DevServer& server : project.servers) {
                if (server.pgid == *entry.spawnedPID) return server;
            }
        }
    }
    for (const DevProject& project : projects) {
        for (const DevServer& server : project.servers) {
            if (!entry.priorPIDs.contains(server.pid) && server.cwd && *server.cwd == entry.cwd) return server;
        }
    }
    return std::nullopt;
}

void RestartTracker::reconcile(const std::vector<DevProject>& projects, Platform::Date now, Trackers::Seconds timeout,
                               Trackers::Seconds pill) {
    {
        std::lock_guard guard(lock_);
        for (auto it = store_.begin(); it != store_.end();) {
            RestartEntry& entry = it->second;
            if (entry.phase.kind == RestartEntry::Phase::Kind::stopping) {
                ++it;
                continue;
            }
            if (const std::optional<DevServer> match = matchedServer(entry, projects)) {
                restartedStore_[match->pgid] = Trackers::adding(now, pill);
                it = store_.erase(it);
                continue;
            }
            if (entry.phase.kind == RestartEntry::Phase::Kind::relaunching && entry.spawnedPID &&
                now - entry.phaseChangedAt > timeout) {
                entry.phase = RestartEntry::Phase::failed(RestartEntry::didNotComeBack);
                entry.phaseChangedAt = now;
            }
            ++it;
        }
        std::erase_if(restartedStore_, [&](const auto& mark) { return !(mark.second > now); });
    }
    publish();
}

bool RestartTracker::shouldSpawn(const ID& id, Platform::Date now) {
    {
        std::lock_guard guard(lock_);
        const auto found = store_.find(id);
        if (found == store_.end() || found->second.cancelled) return false;
        found->second.phase = RestartEntry::Phase::relaunching();
        found->second.phaseChangedAt = now;
    }
    publish();
    return true;
}

bool RestartTracker::setSpawned(const ID& id, std::int32_t pid) {
    {
        std::lock_guard guard(lock_);
        const auto found = store_.find(id);
        if (found == store_.end() || found->second.cancelled) return false;
        found->second.spawnedPID = pid;
    }
    publish();
    return true;
}

std::optional<ServerRestarter::Plan> RestartTracker::markRetrying(const ID& id, Platform::Date now) {
    std::optional<ServerRestarter::Plan> plan;
    {
        std::lock_guard guard(lock_);
        const auto found = store_.find(id);
        if (found == store_.end() || !found->second.phase.isFailed()) return std::nullopt;
        RestartEntry& entry = found->second;
        entry.phase = RestartEntry::Phase::relaunching();
        entry.spawnedPID.reset();
        entry.cancelled = false;
        entry.phaseChangedAt = now;
        plan = entry.plan;
    }
    publish();
    return plan;
}

void RestartTracker::fail(const ID& id, const std::string& message, Platform::Date now) {
    {
        std::lock_guard guard(lock_);
        const auto found = store_.find(id);
        if (found == store_.end()) return;
        found->second.phase = RestartEntry::Phase::failed(message);
        found->second.phaseChangedAt = now;
    }
    publish();
}

void RestartTracker::cancel(const ID& id) {
    std::optional<std::int32_t> groupToStop;
    {
        std::lock_guard guard(lock_);
        const auto found = store_.find(id);
        if (found == store_.end()) return;
        RestartEntry& entry = found->second;
        if (entry.phase.kind == RestartEntry::Phase::Kind::relaunching && entry.spawnedPID) {
            groupToStop = entry.spawnedPID;
            store_.erase(found);
        } else {
            entry.cancelled = true;
        }
    }
    if (groupToStop) ServerRestarter::stopSpawnedGroup(*groupToStop);
    publish();
}

bool RestartTracker::begin(RestartEntry entry) {
    {
        std::lock_guard guard(lock_);
        for (const auto& [id, existing] : store_) {
            if (existing.originalPID == entry.originalPID) return false;
        }
        const ID id = entry.id;
        store_.emplace(id, std::move(entry));
    }
    publish();
    return true;
}

bool RestartTracker::remove(const ID& id) {
    bool removed = false;
    {
        std::lock_guard guard(lock_);
        removed = store_.erase(id) > 0;
    }
    publish();
    return removed;
}

std::optional<RestartEntry> RestartTracker::entry(const ID& id) {
    std::lock_guard guard(lock_);
    const auto found = store_.find(id);
    if (found == store_.end()) return std::nullopt;
    return found->second;
}

void RestartTracker::publish() {
    std::vector<RestartEntry> entries;
    std::map<std::int32_t, Platform::Date> restarted;
    std::uint64_t number = 0;
    {
        std::lock_guard guard(lock_);
        entries.reserve(store_.size());
        for (const auto& [id, entry] : store_) entries.push_back(entry);
        restarted = restartedStore_;
        number = sequence_.take();
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const RestartEntry& a, const RestartEntry& b) { return a.phaseChangedAt < b.phaseChangedAt; });
    Trackers::applyOnMainThread(weak_from_this(), [entries = std::move(entries), restarted = std::move(restarted),
                                                   number](RestartTracker& tracker) mutable {
        if (!tracker.sequence_.admit(number)) return;
        tracker.entries_ = std::move(entries);
        tracker.recentlyRestarted_ = std::move(restarted);
        tracker.observers_.notify();
    });
}
