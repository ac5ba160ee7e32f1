#pragma once
// The second process of the channel tests (widget_channel_peer), started in the test's environment
// (same HOME and XDG folders) with its standard output on a pipe.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace widgetchannel_tests {

class PeerProcess {
public:
    explicit PeerProcess(const std::vector<std::string>& arguments);
    ~PeerProcess();  // kills a peer still running
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // The next line the peer printed, without its newline; none when it closed its output or
    // nothing came within the limit.
    std::optional<std::string> readLine(std::chrono::seconds limit = std::chrono::seconds(60));
    // Waits for the peer to end: its exit status, or -1 when it was killed by a signal.
    int wait();

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string buffered_;
};

}  // namespace widgetchannel_tests
