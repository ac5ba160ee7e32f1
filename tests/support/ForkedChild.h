#pragma once
// Runs a piece of a test in a forked child of the test process, for what the test process itself
// must not go through: a reader that might exhaust memory or crash, a measure of how much memory a
// reader builds up, or a run without root's privileges (as root, mode 000 files are readable).

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace testing_support {

struct ChildOptions {
    // As root: the child runs as the user nobody, and this folder (with everything in it) is given to
    // nobody first, so the child can work in it. Other users run the child as themselves.
    std::optional<std::filesystem::path> unprivilegedIn;
};

struct ChildOutcome {
    // Set when the body returned and the child exited normally; otherwise how it ended.
    bool finished = false;
    std::string ending;
    std::string problems;    // what the body returned: empty when everything held
    long peakGrowthKiB = 0;  // how far the child's peak resident memory rose during the body
};

// The body returns its problems as text (an empty text: none). A child still running after two
// minutes is killed and reported.
ChildOutcome runInChild(const std::function<std::string()>& body, const ChildOptions& options = {});

}  // namespace testing_support
