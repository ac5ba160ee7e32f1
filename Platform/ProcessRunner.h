#pragma once
// Runs a system tool as a child process and collects its standard output.
//
// The child gets this process's environment plus LC_ALL=C (added or replacing), its standard error on
// /dev/null and standard input inherited, and leads a process group of its own. Standard output is
// read through a pipe to its end while the child runs, so outputs of any size never block the child.
// Without a time limit the call returns when the output ends and the child has exited. With one, when
// the output has not ended or the child not exited at the limit (a helper the child started may hold
// the output open), the call returns at once with no output; in the background the child's whole
// process group gets SIGTERM, SIGKILL once the child has ended or 2 seconds have passed, and the child
// is reaped.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace Platform {

struct ProcessRequest {
    std::string executable;              // absolute path, run as is (no PATH search)
    std::vector<std::string> arguments;  // argv[1...]; empty strings are passed as their own argument
    std::optional<std::chrono::milliseconds> timeLimit;
    // "NAME=value" entries the child gets in place of this process's environment (LC_ALL=C is still
    // set). For a child started off the thread that may change the environment: take the entries
    // with environmentSnapshot() on that thread.
    std::optional<std::vector<std::string>> environment = std::nullopt;
};

// This process's environment as "NAME=value" entries.
std::vector<std::string> environmentSnapshot();

struct ProcessResult {
    enum class Outcome { exited, killedBySignal, timedOut, launchFailed };
    Outcome outcome = Outcome::launchFailed;
    std::string output;       // raw bytes of standard output; empty unless exited or killedBySignal
    int exitStatus = -1;      // exit code when exited, signal number when killedBySignal
    std::string launchError;  // strerror-style description when launchFailed

    bool launched() const { return outcome != Outcome::launchFailed; }
};

ProcessResult runProcess(const ProcessRequest& request);

// The executable and arguments joined by single spaces, as the diagnostics quote a command.
std::string commandDescription(const ProcessRequest& request);

}  // namespace Platform
