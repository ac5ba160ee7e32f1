#include "Platform/ProcessRunner.h"
#include "Platform/AtomicFile.h"
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

using Platform::ProcessResult;
using Platform::runProcess;
using Outcome = ProcessResult::Outcome;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

Platform::ProcessRequest shell(std::string script, std::vector<std::string> scriptArguments = {},
                               std::optional<std::chrono::milliseconds> timeLimit = std::nullopt) {
    Platform::ProcessRequest request{"/bin/sh", {"-c", std::move(script), "sh"}, timeLimit};
    request.arguments.insert(request.arguments.end(), scriptArguments.begin(), scriptArguments.end());
    return request;
}

bool eventually(const std::function<bool()>& condition) {
    for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;) {
        if (condition()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

size_t openDescriptorCount() {
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
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
    EXPECT_EQ(runProcess(shell("echo out; echo err >&2; readlink /proc/$$/fd/2")).output, "out\n/dev/null\n");
    char target[PATH_MAX] = {};
    if (readlink("/proc/self/fd/0", target, sizeof target - 1) < 0) GTEST_SKIP() << "this process has no stdin";
    EXPECT_EQ(runProcess(shell("readlink /proc/$$/fd/0")).output, std::string(target) + "\n");
}

TEST(ProcessRunnerOutput, ArgumentsArriveVerbatimIncludingEmptyOnes) {
    const auto request = shell(R"(printf '%s|' "$@")", {"", "a", "", "b", "two words", "$HOME", "*", ""});
    EXPECT_EQ(runProcess(request).output, "|a||b|two words|$HOME|*||");
    EXPECT_EQ(Platform::commandDescription({"/bin/echo", {"a", "", "b"}, std::nullopt}), "/bin/echo a  b");
}

TEST(ProcessRunnerEnvironment, SetsTheCLocaleAndKeepsTheRest) {
    const char* saved = std::getenv("LC_ALL");
    const std::optional<std::string> savedLocale = saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("VELLUMARK_PROBE", "probe value=1", 1);
    for (const char* ours : {"de_DE.UTF-8", static_cast<const char*>(nullptr)}) {
        ours ? setenv("LC_ALL", ours, 1) : unsetenv("LC_ALL");
        std::istringstream in(runProcess({"/usr/bin/env", {}, std::nullopt}).output);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "LC_ALL=C"), 1) << (ours ? ours : "unset");
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.starts_with("LC_ALL="); }), 1);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "VELLUMARK_PROBE=probe value=1"), 1);
        if (ours) {
            EXPECT_STREQ(std::getenv("LC_ALL"), ours) << "our own environment must stay untouched";
        }
    }
    unsetenv("VELLUMARK_PROBE");
    savedLocale ? setenv("LC_ALL", savedLocale->c_str(), 1) : unsetenv("LC_ALL");
}

TEST(ProcessRunnerStatus, ReportsExitCodesAndSignals) {
    for (int code : {0, 1, 255}) {
        ProcessResult result = runProcess(shell("exit " + std::to_string(code)));
        EXPECT_EQ(result.outcome, Outcome::exited);
        EXPECT_EQ(result.exitStatus, code);
    }
    ProcessResult killed = runProcess(shell("echo before; kill -KILL $$"));
    EXPECT_EQ(killed.outcome, Outcome::killedBySignal);
    EXPECT_EQ(killed.exitStatus, SIGKILL);
    EXPECT_EQ(killed.output, "before\n");
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

    // Bit n-1 stands for signal n; glibc keeps its real-time signals above 31 ignored in every child.
    for (const std::string field : {"SigBlk", "SigIgn"}) {
        const auto at = status.find(field + ":\t");
        ASSERT_NE(at, std::string::npos) << status;
        EXPECT_EQ(std::stoull(status.substr(at + field.size() + 2, 16), nullptr, 16) & 0x7fffffffull, 0u) << status;
    }
}

TEST(ProcessRunnerLaunch, FailuresCarryTheSystemErrorTextAndRunNothing) {
    testing_support::TempDir dir;
    std::ofstream(dir.path() / "plain") << "#!/bin/sh\necho hi\n";
    std::ofstream(dir.path() / "garbage") << "not a program\n";
    fs::permissions(dir.path() / "garbage", fs::perms::owner_all);
    struct Case { Platform::ProcessRequest request; std::string error; };
    const Case cases[] = {
        {{"/nonexistent/vellumark-tool", {}, 5s}, "No such file or directory"},
        {{"", {}, 5s}, "No such file or directory"},
        {{dir.path().string(), {}, 5s}, "Permission denied"},
        {{(dir.path() / "plain").string(), {}, 5s}, "Permission denied"},
        {{(dir.path() / "garbage").string(), {}, 5s}, "Exec format error"},
        // An embedded NUL would cut the argument short: refused before anything runs.
        {shell(R"(touch "$1")", {(dir.path() / "ran").string(), std::string("x\0y", 3)}), "Invalid argument"},
    };
    for (const Case& c : cases) {
        ProcessResult result = runProcess(c.request);
        EXPECT_EQ(result.outcome, Outcome::launchFailed) << c.request.executable;
        EXPECT_EQ(result.launchError, c.error) << c.request.executable;
        EXPECT_TRUE(result.output.empty());
    }
    EXPECT_FALSE(fs::exists(dir.path() / "ran"));
}

// The child reports SIGTERM through a marker file, then holds on until the test releases it, which
// shows the call returned without waiting for the child to end; the child may also have closed its
// output before the limit.
TEST(ProcessRunnerTimeLimit, ChildStillRunningAtTheLimitGetsSIGTERMAndIsReapedLater) {
    for (const char* output : {"keep", "close"}) {
        SCOPED_TRACE(output);
        testing_support::TempDir dir;
        const std::string script = R"(
            trap 'kill $sleeper; echo > "$1/terminated"; i=0
                  while [ ! -e "$1/release" ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i+1)); done; exit 0' TERM
            echo $$ > "$1/pid"
            printf partial
            if [ "$2" = close ]; then exec >/dev/null; fi
            sleep 30 >/dev/null & sleeper=$!
            wait $sleeper)";
        ProcessResult result = runProcess(shell(script, {dir.path().string(), output}, 1s));
        EXPECT_EQ(result.outcome, Outcome::timedOut);
        EXPECT_TRUE(result.output.empty());

        // A zombie keeps its /proc entry, so a vanished entry means the child was also reaped.
        pid_t pid = std::atoi(Platform::readWholeFile(dir.path() / "pid").value_or("").c_str());
        ASSERT_GT(pid, 0) << "the child did not start in time";
        EXPECT_TRUE(fs::exists("/proc/" + std::to_string(pid))) << "the call waited for the child to end";
        EXPECT_TRUE(eventually([&] { return fs::exists(dir.path() / "terminated"); })) << "no SIGTERM arrived";
        std::ofstream(dir.path() / "release").flush();
        EXPECT_TRUE(eventually([&] { return !fs::exists("/proc/" + std::to_string(pid)); })) << "left a zombie";
    }
}

TEST(ProcessRunnerTimeLimit, RunsWithinTheLimitKeepAllOutputAndAnExpiredLimitTimesOut) {
    ProcessResult result = runProcess(shell("yes 0123456789 | head -c 5000000; exit 3", {}, 60s));
    EXPECT_EQ(result.outcome, Outcome::exited);
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(result.output.size(), 5000000u);
    EXPECT_EQ(runProcess(shell("echo done", {}, std::chrono::milliseconds::max())).output, "done\n");

    ProcessResult expired = runProcess(shell("echo early; exec sleep 30", {}, -5ms));
    EXPECT_EQ(expired.outcome, Outcome::timedOut);
    EXPECT_TRUE(expired.output.empty());
}

std::string descriptorsAboveStandardStreams() {
    return runProcess(shell(R"(for f in /proc/$$/fd/*; do n=${f##*/}; [ "$n" -gt 2 ] && printf '%s ' "$n"; done)"))
        .output;
}

// Each run's pipe is close-on-exec, so no child sees another run's descriptors.
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
                if (result.outcome != Outcome::exited || result.output != expected) failures[t] += "wrong output; ";
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
