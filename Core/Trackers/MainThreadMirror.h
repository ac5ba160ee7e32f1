#pragma once
// How the locked trackers hand their state to the main thread: a copy taken under the tracker's lock
// is applied to the published mirror on the main thread, at once when already there, otherwise in a
// main-queue block that holds the tracker weakly (a tracker gone by then is left alone).
//
// Copies are numbered under the lock. Two threads that publish at the same time may reach the main
// queue in the opposite order of their copies; the older copy is then dropped instead of overwriting
// the newer one, so the mirror always ends at the latest state.

#include <cstdint>
#include <memory>
#include <utility>

#include "Platform/Dispatch.h"

namespace Trackers {

class PublishSequence {
public:
    // Under the tracker's lock, with the copy.
    std::uint64_t take() { return ++taken_; }
    // On the main thread: true (and remembered) when the numbered copy is newer than all applied.
    bool admit(std::uint64_t number) {
        if (number <= applied_) return false;
        applied_ = number;
        return true;
    }

private:
    std::uint64_t taken_ = 0;    // under the tracker's lock
    std::uint64_t applied_ = 0;  // main thread only
};

template <typename Tracker, typename Apply>
void applyOnMainThread(std::weak_ptr<Tracker> weak, Apply apply) {
    if (Platform::Dispatch::isMainThread()) {
        if (std::shared_ptr<Tracker> tracker = weak.lock()) apply(*tracker);
        return;
    }
    Platform::Dispatch::mainAsync([weak = std::move(weak), apply = std::move(apply)]() mutable {
        if (std::shared_ptr<Tracker> tracker = weak.lock()) apply(*tracker);
    });
}

}  // namespace Trackers
