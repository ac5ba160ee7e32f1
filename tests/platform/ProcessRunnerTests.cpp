#include "Platform/ProcessRunner.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

#include <pthread.h>
#include <unistd.h>

namespace {

using Platform::ProcessRequest;
using Platform::ProcessResult;
using Platform::runProcess;
using Outcome = ProcessResult::Outcome;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

ProcessRequest shell(std::string script, std::vector<std::string> scriptArguments = {},
                     std::optional<std::chrono::milliseconds> timeLimit = std::nullopt) {
    ProcessRequest request{"/bin/sh", {"-c", std::move(script), "sh"}, timeLimit};
    request.arguments.insert(request.arguments.end(), scriptArguments.begin(), scriptArguments.end());
    return request;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool eventually(const std::function<bool()>& condition) {
    for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;) {
        if (condition()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

// A zombie keeps its /proc entry, so a vanished entry means the child was also reaped.
bool processExists(pid_t pid) { return fs::exists("/proc/" + std::to_string(pid)); }

size_t openDescriptorCount() {
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { saved_ ? setenv(name_, saved_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

std::vector<std::string> environmentOfChild() {
    ProcessResult result = runProcess({"/usr/bin/env", {}, std::nullopt});
    std::vector<std::string> lines;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(ProcessRunnerOutput, ReadsTenMegabytesCompletelyAndExactly) {
    testing_support::TempDir dir;
    std::string content(10 * 1024 * 1024, '\0');
    std::mt19937 random(42);
    for (char& byte : content) byte = static_cast<char>(random());
    std::ofstream(dir.path() / "blob", std::ios::binary) << content;

    ProcessResult result = runProcess({"/bin/cat", {(dir.path() / "blob").string()}, std::nullopt});
    ASSERT_EQ(result.outcome, Outcome::exited);
    EXPECT_EQ(result.exitStatus, 0);
    ASSERT_EQ(result.output.size(), content.size());
    EXPECT_TRUE(result.output == content);
}

TEST(ProcessRunnerOutput, StandardErrorIsDiscardedAndStandardInputInherited) {
    ProcessResult result = runProcess(shell("echo out; echo err >&2; readlink /proc/$$/fd/2"));
    EXPECT_EQ(result.output, "out\n/dev/null\n");

    char target[PATH_MAX] = {};
    if (readlink("/proc/self/fd/0", target, sizeof target - 1) < 0) GTEST_SKIP() << "this process has no stdin";
    EXPECT_EQ(runProcess(shell("readlink /proc/$$/fd/0")).output, std::string(target) + "\n");
}

TEST(ProcessRunnerOutput, ArgumentsArriveVerbatimIncludingEmptyOnes) {
    ProcessResult result = runProcess(shell(R"(printf '%s|' "$@")", {"", "a", "", "b", "two words", "$HOME", "*", ""}));
    EXPECT_EQ(result.output, "|a||b|two words|$HOME|*||");
}

TEST(ProcessRunnerEnvironment, ReplacesLocaleAndKeepsTheRest) {
    ScopedVariable locale("LC_ALL", "de_DE.UTF-8");
    ScopedVariable custom("VELLUMARK_PROBE", "probe value=1");
    auto lines = environmentOfChild();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "LC_ALL=C"), 1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.starts_with("LC_ALL="); }), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "VELLUMARK_PROBE=probe value=1"), 1);
    EXPECT_STREQ(std::getenv("LC_ALL"), "de_DE.UTF-8") << "our own environment must stay untouched";
}

TEST(ProcessRunnerEnvironment, AddsLocaleWhenAbsent) {
    ScopedVariable locale("LC_ALL", nullptr);
    auto lines = environmentOfChild();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "LC_ALL=C"), 1);
    EXPECT_GT(lines.size(), 1u);
}

TEST(ProcessRunnerStatus, ReportsExitCodesAndSignals) {
    for (int code : {0, 1, 7, 255}) {
        ProcessResult result = runProcess(shell("exit " + std::to_string(code)));
        EXPECT_EQ(result.outcome, Outcome::exited);
        EXPECT_EQ(result.exitStatus, code);
    }
    ProcessResult killed = runProcess(shell("echo before; kill -KILL $$"));
    EXPECT_EQ(killed.outcome, Outcome::killedBySignal);
    EXPECT_EQ(killed.exitStatus, SIGKILL);
    EXPECT_EQ(killed.output, "before\n");
    EXPECT_EQ(runProcess(shell("kill -USR1 $$")).exitStatus, SIGUSR1);
}

// Bit n-1 of a /proc signal mask stands for signal n; only the classic signals 1..31 matter here,
// glibc keeps its internal real-time ones ignored in every child.
unsigned long long classicSignals(const std::string& status, const std::string& field) {
    auto at = status.find(field + ":\t");
    if (at == std::string::npos) return ~0ull;
    return std::stoull(status.substr(at + field.size() + 2, 16), nullptr, 16) & 0x7fffffffull;
}

// A child that inherited a blocked or ignored SIGTERM could not be stopped at its time limit.
TEST(ProcessRunnerStatus, ChildStartsWithDefaultSignalState) {
    sigset_t terminate, previous;
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &terminate, &previous);
    auto oldTerminateHandler = std::signal(SIGTERM, SIG_IGN);
    auto oldPipeHandler = std::signal(SIGPIPE, SIG_IGN);
    std::string status = runProcess({"/bin/cat", {"/proc/self/status"}, std::nullopt}).output;
    std::signal(SIGPIPE, oldPipeHandler);
    std::signal(SIGTERM, oldTerminateHandler);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);

    EXPECT_EQ(classicSignals(status, "SigBlk"), 0u) << status;
    EXPECT_EQ(classicSignals(status, "SigIgn"), 0u) << status;
}

TEST(ProcessRunnerLaunch, FailuresCarryTheSystemErrorText) {
    testing_support::TempDir dir;
    std::ofstream(dir.path() / "plain") << "#!/bin/sh\necho hi\n";
    std::ofstream(dir.path() / "garbage") << "not a program\n";
    fs::permissions(dir.path() / "garbage", fs::perms::owner_all);
    struct Case { std::string executable, error; };
    for (const Case& c : {Case{"/nonexistent/vellumark-tool", "No such file or directory"},
                          Case{"", "No such file or directory"},
                          Case{dir.path().string(), "Permission denied"},
                          Case{(dir.path() / "plain").string(), "Permission denied"},
                          Case{(dir.path() / "garbage").string(), "Exec format error"}}) {
        ProcessResult result = runProcess({c.executable, {"-nP"}, 5s});
        EXPECT_EQ(result.outcome, Outcome::launchFailed) << c.executable;
        EXPECT_FALSE(result.launched());
        EXPECT_EQ(result.launchError, c.error) << c.executable;
        EXPECT_TRUE(result.output.empty());
    }
}

TEST(ProcessRunnerLaunch, EmbeddedNulIsRefusedBeforeAnythingRuns) {
    testing_support::TempDir dir;
    ProcessResult result = runProcess(shell(R"(touch "$1")", {(dir.path() / "ran").string(), std::string("x\0y", 3)}));
    EXPECT_EQ(result.outcome, Outcome::launchFailed);
    EXPECT_EQ(result.launchError, "Invalid argument");
    EXPECT_FALSE(fs::exists(dir.path() / "ran"));
}

TEST(ProcessRunnerLaunch, CommandDescriptionJoinsWithSingleSpaces) {
    EXPECT_EQ(Platform::commandDescription({"/usr/bin/lsof", {"-nP", "-iTCP", "-sTCP:LISTEN"}, std::nullopt}),
              "/usr/bin/lsof -nP -iTCP -sTCP:LISTEN");
    EXPECT_EQ(Platform::commandDescription({"/bin/ps", {}, std::nullopt}), "/bin/ps");
    EXPECT_EQ(Platform::commandDescription({"/bin/echo", {"a", "", "b"}, std::nullopt}), "/bin/echo a  b");
}

// The child reports SIGTERM through a marker file, then holds on until the test releases it, which
// shows the call returned without waiting for the child to end.
void expectAbandonedAndReaped(bool closeOutputFirst) {
    testing_support::TempDir dir;
    const std::string script = R"(
        trap 'kill $sleeper; echo > "$1/terminated"; i=0
              while [ ! -e "$1/release" ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done; exit 0' TERM
        echo $$ > "$1/pid"
        printf partial
        if [ "$2" = close ]; then exec >/dev/null; fi
        sleep 30 >/dev/null & sleeper=$!
        wait $sleeper)";
    ProcessResult result = runProcess(shell(script, {dir.path().string(), closeOutputFirst ? "close" : "keep"}, 1s));
    EXPECT_EQ(result.outcome, Outcome::timedOut);
    EXPECT_TRUE(result.output.empty());

    pid_t pid = std::atoi(readFile(dir.path() / "pid").c_str());
    ASSERT_GT(pid, 0) << "the child did not start in time";
    EXPECT_TRUE(processExists(pid)) << "the call waited for the child to end";
    EXPECT_TRUE(eventually([&] { return fs::exists(dir.path() / "terminated"); })) << "no SIGTERM arrived";
    std::ofstream(dir.path() / "release").flush();
    EXPECT_TRUE(eventually([&] { return !processExists(pid); })) << "the child was left a zombie";
}

TEST(ProcessRunnerTimeLimit, AbandonsChildStillRunningAtTheLimit) { expectAbandonedAndReaped(false); }

TEST(ProcessRunnerTimeLimit, CoversChildThatClosedItsOutputButKeepsRunning) { expectAbandonedAndReaped(true); }

TEST(ProcessRunnerTimeLimit, CompletedRunKeepsAllItsOutput) {
    ProcessResult result = runProcess(shell("yes 0123456789 | head -c 5000000; exit 3", {}, 60s));
    EXPECT_EQ(result.outcome, Outcome::exited);
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(result.output.size(), 5000000u);
    EXPECT_EQ(result.output.substr(0, 22), "0123456789\n0123456789\n");

    ProcessResult unbounded = runProcess(shell("echo done", {}, std::chrono::milliseconds::max()));
    EXPECT_EQ(unbounded.outcome, Outcome::exited);
    EXPECT_EQ(unbounded.output, "done\n");
}

TEST(ProcessRunnerTimeLimit, ExpiredLimitGivesTimedOut) {
    ProcessResult result = runProcess(shell("echo early; exec sleep 30", {}, -5ms));
    EXPECT_EQ(result.outcome, Outcome::timedOut);
    EXPECT_TRUE(result.output.empty());
}

std::string descriptorsAboveStandardStreams() {
    return runProcess(shell(R"(for f in /proc/$$/fd/*; do n=${f##*/}; [ "$n" -gt 2 ] && printf '%s ' "$n"; done)"))
        .output;
}

// Each thread's pipe is close-on-exec, so no child sees another run's descriptors.
TEST(ProcessRunnerConcurrency, ParallelRunsGetTheirOwnOutputAndNoForeignDescriptors) {
    const std::string baseline = descriptorsAboveStandardStreams();
    std::vector<std::string> failures(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            int last = 20000 * (t + 1);
            std::string expected;
            for (int i = 1; i <= last; ++i) expected += std::to_string(i) + "\n";
            for (int round = 0; round < 5; ++round) {
                ProcessResult result = runProcess({"/usr/bin/seq", {"1", std::to_string(last)}, 60s});
                if (result.outcome != Outcome::exited || result.output != expected)
                    failures[t] += "wrong output in round " + std::to_string(round) + "; ";
                std::string seen = descriptorsAboveStandardStreams();
                if (seen != baseline) failures[t] += "child saw fds [" + seen + "]; ";
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 8; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
}

TEST(ProcessRunnerConcurrency, NoDescriptorLeaksAcrossManyRuns) {
    const size_t before = openDescriptorCount();
    for (int i = 0; i < 40; ++i) runProcess(shell("echo run"));
    for (int i = 0; i < 10; ++i) runProcess({"/nonexistent/tool", {}, std::nullopt});
    for (int i = 0; i < 3; ++i) runProcess(shell("exec sleep 30", {}, 50ms));
    for (int i = 0; i < 3; ++i) runProcess(shell("exec >&-; exec sleep 30", {}, 50ms));
    EXPECT_EQ(openDescriptorCount(), before);
}

}  // namespace
