#pragma once
// Observers of one piece of published state, standing in for published properties in the Qt-free
// core: the owner changes its published copies on the main thread and then calls notify(), so every
// observer runs on the main thread and sees the new state.
//
// subscribe and unsubscribe may be called from any thread and from inside an observer. notify calls
// the observers subscribed when it starts, in order of subscription; one unsubscribed before its turn
// is skipped. Observers must not throw.

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

}  // namespace Platform
