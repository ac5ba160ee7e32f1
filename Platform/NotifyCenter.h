#pragma once
// Named notifications between the user's own processes, without payload. post(name) wakes every
// observer of that name in every process of this user, the poster's own process included, at once.
// A notification only says "something changed": posts that arrive before an observer gets to them
// may reach it as one call, but a post never goes unanswered while its observer lives — the call it
// causes starts after the post began.
//
// Each observer binds one Unix-domain datagram socket in a folder per name, private to the user (see
// NotifyFolders.h); a post sends one datagram to every socket there and removes the sockets whose
// observer has gone.

#include <functional>
#include <memory>
#include <string>

namespace Platform::NotifyCenter {

namespace detail {
struct ObservationState;
}

// Safe from any thread; never waits for an observer (a full queue already holds a wake-up for it).
// A name that nobody observes is no error; nothing is reported.
void post(const std::string& name);

// Removes the sockets that observers which never stopped (their process was killed) left in the
// folders of every name; each post removes those of its own name, but a name nobody posts keeps
// them for good. A socket nobody has bound any more refuses a connection; connecting sends
// nothing, so living observers keep their sockets and are not woken. For a program's start.
void removeStaleObservers();

// An observer while it lives.
class Observation {
public:
    Observation() = default;  // observes nothing
    // Stops observing: once the destructor returns, the callback is not running and never runs
    // again — except when destroyed from inside its own callback, which then finishes normally.
    ~Observation();
    Observation(Observation&& other) noexcept;
    Observation& operator=(Observation&& other) noexcept;
    Observation(const Observation&) = delete;
    Observation& operator=(const Observation&) = delete;

    bool isActive() const { return state_ != nullptr; }

private:
    friend Observation observe(const std::string& name, std::function<void()> callback);
    explicit Observation(std::shared_ptr<detail::ObservationState> state);
    void stop();

    std::shared_ptr<detail::ObservationState> state_;
};

// Calls the callback on a background thread of the observation after posts of the name, from this
// or any other process; callers hop to the main queue themselves. Posts made after observe returned
// are seen. When the observation cannot be set up, the reason is logged ("Vellumark: cannot observe
// notification <name>: <reason>") and the result is inactive. A callback that throws is logged and
// observing goes on.
[[nodiscard]] Observation observe(const std::string& name, std::function<void()> callback);

}  // namespace Platform::NotifyCenter
