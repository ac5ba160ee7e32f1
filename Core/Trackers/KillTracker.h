#pragma once
// Process groups that were just sent a stop signal, so the panel shows them as stopping until a scan
// no longer lists them or their 10-second deadline has passed.
//
// Changes are made under the tracker's lock from any thread; the published mirror `stopping()`
// changes only on the main thread, after which the observers are told.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "Core/Trackers/MainThreadMirror.h"
#include "Platform/ISO8601.h"
#include "Platform/ObserverList.h"

class KillTracker : public std::enable_shared_from_this<KillTracker> {
    struct Key {
        explicit Key() = default;
    };

public:
    using Deadlines = std::map<std::int32_t, Platform::Date>;
    using Token = Platform::ObserverList<>::Token;

    static constexpr std::chrono::seconds stopDeadline{10};

    // The process-wide tracker, created on first use and never released.
    static KillTracker& shared();
    // A separate tracker (tests); only a tracker owned this way can publish.
    static std::shared_ptr<KillTracker> make();
    explicit KillTracker(Key) {}

    // Main thread: process group → deadline, as last published.
    // A copy: a publish on the main thread replaces the mirror while a caller may still look at it.
    Deadlines stopping() const { return stopping_; }
    Token subscribe(std::function<void()> observer) { return observers_.subscribe(std::move(observer)); }
    void unsubscribe(Token token) { observers_.unsubscribe(token); }

    // A stop signal went to the group at `now`: it counts as stopping until now + 10 s.
    void recordStop(std::int32_t pgid, Platform::Date now);
    // Keeps the groups that are still present and whose deadline is later than `now`.
    void reconcile(const std::set<std::int32_t>& presentPGIDs, Platform::Date now);
    void publish();

private:
    std::mutex lock_;
    Deadlines store_;
    Trackers::PublishSequence sequence_;
    Deadlines stopping_;  // main thread
    Platform::ObserverList<> observers_;
};
