#include "Core/Trackers/KillTracker.h"

#include <utility>

KillTracker& KillTracker::shared() {
    static std::shared_ptr<KillTracker>* instance = new std::shared_ptr<KillTracker>(make());
    return **instance;
}

std::shared_ptr<KillTracker> KillTracker::make() { return std::make_shared<KillTracker>(Key()); }

void KillTracker::recordStop(std::int32_t pgid, Platform::Date now) {
    {
        std::lock_guard guard(lock_);
        store_[pgid] = now + stopDeadline;
    }
    publish();
}

void KillTracker::reconcile(const std::set<std::int32_t>& presentPGIDs, Platform::Date now) {
    {
        std::lock_guard guard(lock_);
        std::erase_if(store_,
                      [&](const auto& entry) { return !presentPGIDs.contains(entry.first) || !(entry.second > now); });
    }
    publish();
}

void KillTracker::publish() {
    Deadlines copy;
    std::uint64_t number = 0;
    {
        std::lock_guard guard(lock_);
        copy = store_;
        number = sequence_.take();
    }
    Trackers::applyOnMainThread(weak_from_this(), [copy = std::move(copy), number](KillTracker& tracker) mutable {
        if (!tracker.sequence_.admit(number)) return;
        tracker.stopping_ = std::move(copy);
        tracker.observers_.notify();
    });
}
