#pragma once
// Real processes for the discovery tests: children started as leaders of process groups of their
// own, in a chosen folder, and what /proc says about them.

#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <sys/types.h>

namespace testing_support {

// A child that leads a new process group. The whole group is killed with SIGKILL when the object
// goes, so no test leaves a server behind, whatever the child started itself.
class ProcessGroup {
public:
    // Standard input, output and error on /dev/null. Throws when the child cannot be started.
    ProcessGroup(const std::vector<std::string>& arguments, const std::filesystem::path& folder);
    ~ProcessGroup();
    ProcessGroup(const ProcessGroup&) = delete;
    ProcessGroup& operator=(const ProcessGroup&) = delete;

    pid_t leader() const { return leader_; }
    // Every living process of the group, the leader included, ascending.
    std::vector<pid_t> members() const;

private:
    pid_t leader_ = -1;
};

// A TCP port below the ephemeral range of the scan (49152) that nothing on 127.0.0.1 uses right now
// and that was not handed out before in this process.
int freePort();

// Whether something accepts connections on 127.0.0.1:<port> within the limit.
bool waitUntilListening(int port, std::chrono::seconds limit = std::chrono::seconds(60));

// A Python 3 interpreter whose file name is "python3": /usr/bin/python3, else the one on PATH.
std::optional<std::string> python3();

// From /proc: the process group, the short command name and the argument list joined by spaces.
std::optional<pid_t> processGroupOf(pid_t pid);
std::string commandNameOf(pid_t pid);
std::string commandLineOf(pid_t pid);
// Processes of a group whose command line holds the given word as one of its arguments.
std::optional<pid_t> memberWithArgument(const ProcessGroup& group, const std::string& argument);

// Total CPU seconds (user and system) the process has used, from /proc/<pid>/stat.
double cpuSecondsOf(pid_t pid);

}  // namespace testing_support
