#pragma once
// Docker containers being stopped or restarted, and containers that were just restarted (a short
// "restarted" mark), keyed by container id.
//
// Changes are made under the tracker's lock from any thread; the published mirrors change only on
// the main thread (`phases()` first, then `restartedUntil()`), after which the observers are told.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "Core/Trackers/MainThreadMirror.h"
#include "Core/Trackers/TrackerTime.h"
#include "Platform/ISO8601.h"
#include "Platform/ObserverList.h"

class ContainerActionTracker : public std::enable_shared_from_this<ContainerActionTracker> {
    struct Key {
        explicit Key() = default;
    };

public:
    enum class Phase { stopping, restarting };
    using Phases = std::map<std::string, Phase>;
    using Dates = std::map<std::string, Platform::Date>;
    using Token = Platform::ObserverList<>::Token;

    // The pill its callers pass to finishRestart.
    static constexpr Trackers::Seconds restartedPill{6.0};

    static ContainerActionTracker& shared();
    static std::shared_ptr<ContainerActionTracker> make();
    explicit ContainerActionTracker(Key) {}

    // Main thread: the state as last published.
    // Copies: a publish on the main thread replaces the mirrors while a caller may still look at them.
    Phases phases() const { return phases_; }
    Dates restartedUntil() const { return restartedUntil_; }
    Token subscribe(std::function<void()> observer) { return observers_.subscribe(std::move(observer)); }
    void unsubscribe(Token token) { observers_.unsubscribe(token); }

    // The container's action was started (before `docker stop`/`kill` or `docker restart` runs).
    void setPhase(const std::string& containerID, Phase phase);
    // Keeps the phases of containers still present and the marks that end after `now`.
    void reconcile(const std::set<std::string>& presentContainerIDs, Platform::Date now);
    // `docker restart` completed: the phase ends and the container counts as restarted for `pill`.
    void finishRestart(const std::string& containerID, Platform::Date now, Trackers::Seconds pill);
    void publish();

private:
    std::mutex lock_;
    Phases phaseStore_;
    Dates restartedStore_;
    Trackers::PublishSequence sequence_;
    Phases phases_;         // main thread
    Dates restartedUntil_;  // main thread
    Platform::ObserverList<> observers_;
};
