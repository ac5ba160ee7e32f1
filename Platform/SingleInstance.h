#pragma once
// One running application per user. The running instance holds an exclusive lock (flock) on
// "instance.lock" and listens on the stream socket "instance.socket", both in the user's private
// runtime folder (see NotifyFolders.h). A later launch finds the lock taken, connects to the socket
// and, once the running instance has answered, ends: a connection is the request to show the panel.
//
// - The lock goes with its holder, however it ended (SIGKILL included): a socket file a killed
//   instance left behind is replaced by the next launch, never waited on.
// - Two launches at once: the lock admits exactly one; the other connects once that one listens.
// - A holder that does not answer in time (stopped, hung, still starting) gets no second instance
//   beside it: the launch ends with noAnswer.
// - When the folder or the lock cannot be used at all, the launch is unchecked and runs on; the
//   reason says why.
//
// Qt-free; the requests reach the main queue (see Dispatch.h).

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace Platform::SingleInstance {

inline constexpr const char* lockFileName = "instance.lock";
inline constexpr const char* socketFileName = "instance.socket";
// How long a later launch waits for the running instance, which answers only once it has finished
// launching.
inline constexpr std::chrono::seconds defaultPatience{20};

// The running instance's side, while it lives: the lock, held, and the socket.
class Listener {
public:
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Starts answering later launches, those already waiting first: each one queues onRequest on
    // the main queue and is then answered. Once.
    void serve(std::function<void()> onRequest);

    struct State;
    explicit Listener(std::unique_ptr<State> state);

private:
    std::unique_ptr<State> state_;
};

struct Launch {
    enum class Role {
        first,       // no other instance runs: go on, serve the listener
        handedOver,  // the running instance was asked to show its panel and answered
        noAnswer,    // another instance holds the lock but did not answer within the patience
        unchecked,   // no lock could be taken or looked at: go on without one
    };
    Role role = Role::unchecked;
    std::string reason;                  // noAnswer, unchecked: why, for the log
    std::unique_ptr<Listener> listener;  // first only
};

// Takes the lock, or hands over to its holder. A first instance that cannot listen still holds the
// lock (later launches then end with noAnswer); the listener logs why.
Launch claim(std::chrono::milliseconds patience = defaultPatience);

}  // namespace Platform::SingleInstance
