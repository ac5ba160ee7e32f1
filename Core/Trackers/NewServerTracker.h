#pragma once
// When each process group was first seen, so servers started while the application runs count as
// new for a minute: the panel marks their rows, and the status icon announces each one once.
// Groups that run when the application starts are never new. A group missing from one scan is
// forgotten; if its number comes back it is new again.
//
// Main thread only; no lock.

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "Platform/ISO8601.h"

class NewServerTracker {
public:
    static constexpr std::chrono::seconds window{60};

    // The process-wide tracker, created on first use and never released.
    static NewServerTracker& shared();

    // One scan's process groups.
    void update(const std::set<std::int32_t>& pgids, Platform::Date now);
    // First seen less than 60 s before `now`, and not opened by the user.
    bool isNew(std::int32_t pgid, Platform::Date now) const;
    // First seen less than 60 s before `now` and not yet announced, ascending.
    std::vector<std::int32_t> unnotifiedNewPGIDs(Platform::Date now) const;

    // The user opened the group's server from the panel.
    void acknowledge(std::int32_t pgid) { acknowledged_.insert(pgid); }
    // The panel is shown: every known group counts as announced.
    void markAllNotified();

    bool didInitialize() const { return didInitialize_; }
    const std::map<std::int32_t, Platform::Date>& firstSeen() const { return firstSeen_; }
    const std::set<std::int32_t>& acknowledged() const { return acknowledged_; }
    const std::set<std::int32_t>& notified() const { return notified_; }

private:
    bool recent(Platform::Date seen, Platform::Date now) const { return now - seen < window; }

    bool didInitialize_ = false;
    std::map<std::int32_t, Platform::Date> firstSeen_;
    std::set<std::int32_t> acknowledged_;
    std::set<std::int32_t> notified_;
};
