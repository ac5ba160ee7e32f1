#pragma once
// Observers of one piece of published state, standing in for published properties in the Qt-free
// core: the owner changes its published copies on the main thread and then calls notify(), so every
// observer runs on the main thread and sees the new state.
//
// subscribe and unsubscribe may be called from any thread and from inside an observer. notify calls
// the observers subscribed when it starts, in order of subscription; one unsubscribed before its turn
// is skipped. Observers must not throw.
//
// A Subscription keeps one observer subscribed for its own lifetime: to an ObserverList, or to any
// owner that hands out tokens the same way (subscribe(observer) gives a token, unsubscribe(token)).

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace Platform {

template <typename... Args>
class ObserverList {
public:
    using Observer = std::function<void(const Args&...)>;
    using Token = std::uint64_t;

    ObserverList() = default;
    ObserverList(const ObserverList&) = delete;
    ObserverList& operator=(const ObserverList&) = delete;

    Token subscribe(Observer observer) {
        auto slot = std::make_shared<Slot>();
        slot->observer = std::move(observer);
        std::lock_guard lock(mutex_);
        slot->token = nextToken_++;
        slots_.push_back(slot);
        return slot->token;
    }

    void unsubscribe(Token token) {
        std::lock_guard lock(mutex_);
        for (auto it = slots_.begin(); it != slots_.end(); ++it) {
            if ((*it)->token == token) {
                (*it)->subscribed = false;
                slots_.erase(it);
                return;
            }
        }
    }

    void notify(const Args&... args) const {
        std::vector<std::shared_ptr<Slot>> current;
        {
            std::lock_guard lock(mutex_);
            current = slots_;
        }
        for (const auto& slot : current) {
            bool subscribed = false;
            {
                std::lock_guard lock(mutex_);
                subscribed = slot->subscribed;
            }
            if (subscribed) slot->observer(args...);
        }
    }

    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return slots_.size();
    }

private:
    struct Slot {
        Token token = 0;
        Observer observer;
        bool subscribed = true;  // guarded by mutex_
    };

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Slot>> slots_;
    Token nextToken_ = 1;
};

class Subscription {
public:
    Subscription() = default;
    // Subscribes the observer to `source`, which must outlive the subscription.
    template <typename Source, typename Observer>
    Subscription(Source& source, Observer&& observer)
        : end_([&source, token = source.subscribe(std::forward<Observer>(observer))] { source.unsubscribe(token); }) {}
    // For an observation that is ended another way: `end` runs once, when the subscription ends.
    explicit Subscription(std::function<void()> end) : end_(std::move(end)) {}
    Subscription(Subscription&& other) noexcept : end_(std::exchange(other.end_, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            end_ = std::exchange(other.end_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    // Ends the subscription now.
    void reset() {
        if (const std::function<void()> end = std::exchange(end_, nullptr)) end();
    }

private:
    std::function<void()> end_;
};

}  // namespace Platform
