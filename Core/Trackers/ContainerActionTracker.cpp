#include "Core/Trackers/ContainerActionTracker.h"

#include <utility>

ContainerActionTracker& ContainerActionTracker::shared() {
    static std::shared_ptr<ContainerActionTracker>* instance = new std::shared_ptr<ContainerActionTracker>(make());
    return **instance;
}

std::shared_ptr<ContainerActionTracker> ContainerActionTracker::make() {
    return std::make_shared<ContainerActionTracker>(Key());
}

void ContainerActionTracker::setPhase(const std::string& containerID, Phase phase) {
    {
        std::lock_guard guard(lock_);
        phaseStore_[containerID] = phase;
    }
    publish();
}

void ContainerActionTracker::reconcile(const std::set<std::string>& presentContainerIDs, Platform::Date now) {
    {
        std::lock_guard guard(lock_);
        std::erase_if(phaseStore_, [&](const auto& entry) { return !presentContainerIDs.contains(entry.first); });
        std::erase_if(restartedStore_, [&](const auto& entry) { return !(entry.second > now); });
    }
    publish();
}

void ContainerActionTracker::finishRestart(const std::string& containerID, Platform::Date now, Trackers::Seconds pill) {
    {
        std::lock_guard guard(lock_);
        phaseStore_.erase(containerID);
        restartedStore_[containerID] = Trackers::adding(now, pill);
    }
    publish();
}

void ContainerActionTracker::publish() {
    Phases phases;
    Dates restarted;
    std::uint64_t number = 0;
    {
        std::lock_guard guard(lock_);
        phases = phaseStore_;
        restarted = restartedStore_;
        number = sequence_.take();
    }
    Trackers::applyOnMainThread(weak_from_this(), [phases = std::move(phases), restarted = std::move(restarted),
                                                   number](ContainerActionTracker& tracker) mutable {
        if (!tracker.sequence_.admit(number)) return;
        tracker.phases_ = std::move(phases);
        tracker.restartedUntil_ = std::move(restarted);
        tracker.observers_.notify();
    });
}
