#pragma once
// The module's two in-process notifications.
// - shortcutByNameDidChange ("GlobalShortcuts_shortcutByNameDidChange"): after every change of a
//   stored shortcut made through the module, with the name whose shortcut changed.
// - recorderActiveStatusDidChange ("GlobalShortcuts_recorderActiveStatusDidChange"): a recorder
//   field started (true) or stopped (false) recording.
//
// Posted on the main thread; observers run there, in order of subscription. Subscription keeps an
// observer for its own lifetime.

#include <functional>
#include <utility>

#include "GlobalShortcuts/Name.h"
#include "Platform/ObserverList.h"

namespace GlobalShortcuts::Notifications {

inline constexpr const char* shortcutByNameDidChangeName = "GlobalShortcuts_shortcutByNameDidChange";
inline constexpr const char* recorderActiveStatusDidChangeName = "GlobalShortcuts_recorderActiveStatusDidChange";

Platform::ObserverList<Name>& shortcutByNameDidChange();
Platform::ObserverList<bool>& recorderActiveStatusDidChange();

template <typename... Args>
class Subscription {
public:
    Subscription() = default;
    Subscription(Platform::ObserverList<Args...>& list, typename Platform::ObserverList<Args...>::Observer observer)
        : list_(&list), token_(list.subscribe(std::move(observer))) {}
    Subscription(Subscription&& other) noexcept
        : list_(std::exchange(other.list_, nullptr)), token_(other.token_) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            list_ = std::exchange(other.list_, nullptr);
            token_ = other.token_;
        }
        return *this;
    }
    ~Subscription() { reset(); }
    void reset() {
        if (list_) list_->unsubscribe(token_);
        list_ = nullptr;
    }

private:
    Platform::ObserverList<Args...>* list_ = nullptr;
    typename Platform::ObserverList<Args...>::Token token_ = 0;
};

}  // namespace GlobalShortcuts::Notifications
