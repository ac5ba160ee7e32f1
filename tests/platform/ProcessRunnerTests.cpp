#include "Platform/AtomicFile.h"
#include "Platform/ProcessRunner.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>
#include <tuple>

namespace {

using Platform::ProcessResult;
using Platform::runProcess;
using Outcome = ProcessResult::Outcome;
using testing::HasSubstr;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

Platform::ProcessRequest shell(std::string script, std::vector<std::string> arguments = {},
                               std::optional<std::chrono::milliseconds> timeLimit = std::nullopt) {
    arguments.insert(arguments.begin(), {"-c", std::move(script), "sh"});
    return {"/bin/sh", std::move(arguments), timeLimit};
}

bool eventually(const std::function<bool()>& condition) {
    for (auto end = std::chrono::steady_clock::now() + 20s; !condition(); std::this_thread::sleep_for(20ms))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}

// With a time limit the output is read by a different loop than without, so both must read it all.
TEST(ProcessRunner, ReadsTenMegabytesCompletelyWithOrWithoutATimeLimit) {
    testing_support::TempDir dir;
    std::string content(10 * 1024 * 1024, '\0');
    std::ranges::generate(content, std::mt19937(42));
    std::ofstream(dir.path() / "blob", std::ios::binary) << content;
    for (auto limit : {std::optional<std::chrono::milliseconds>{}, std::optional{60000ms}}) {
        const ProcessResult result = runProcess({"/bin/cat", {(dir.path() / "blob").string()}, limit});
        EXPECT_TRUE(result.outcome == Outcome::exited && result.output == content) << result.output.size() << " bytes";
    }
}

TEST(ProcessRunner, TheChildRunsInTheCLocaleWithTheRestOfItsEnvironment) {
    const auto ourLocale = [] { return std::string(std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "(unset)"); };
    const auto before = ourLocale();
    const auto environment = [](std::optional<std::vector<std::string>> given) {
        return "\n" + runProcess({"/usr/bin/env", {}, std::nullopt, std::move(given)}).output;
    };
    EXPECT_THAT(environment(std::nullopt), HasSubstr("\nLC_ALL=C\n"));
    const std::string given = environment(std::vector<std::string>{"LC_ALL=de_DE.UTF-8", "P=a b=1"});
    EXPECT_THAT(given, AllOf(HasSubstr("\nLC_ALL=C\n"), HasSubstr("\nP=a b=1\n"), Not(HasSubstr("\nLC_ALL=de"))));
    EXPECT_EQ(ourLocale(), before) << "our own environment must stay untouched";
}

TEST(ProcessRunner, ReportsHowTheChildEndedOrWhyItCouldNotStart) {
    testing_support::TempDir dir;
    std::ofstream(dir.path() / "plain") << "#!/bin/sh\necho hi\n";  // not executable
    struct Case {
        Platform::ProcessRequest request;
        Outcome outcome;
        int status;
        std::string output, error;
    };
    const Case cases[] = {
        {shell(R"(printf '%s|' "$@"; echo err >&2; exit 3)", {"", "a b", "$HOME", ""}), Outcome::exited, 3,
         "|a b|$HOME||", ""},
        {shell("echo before; kill -KILL $$"), Outcome::killedBySignal, SIGKILL, "before\n", ""},
        {{"/nonexistent/vellumark-tool", {}, 5s}, Outcome::launchFailed, -1, "", "No such file or directory"},
        {{(dir.path() / "plain").string(), {}, std::nullopt}, Outcome::launchFailed, -1, "", "Permission denied"},
        // An embedded NUL would cut the argument short: refused before anything runs.
        {shell(R"(touch "$1")", {(dir.path() / "ran").string(), std::string("x\0y", 3)}), Outcome::launchFailed, -1, "",
         "Invalid argument"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = runProcess(c.request);
        EXPECT_EQ(std::tie(r.outcome, r.exitStatus, r.output, r.launchError),
                  std::tie(c.outcome, c.status, c.output, c.error))
            << c.request.executable;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "ran"));
}

// The child notes SIGTERM in a file, then holds on until released, which shows the call returned
// without waiting for it; in the second round it closed its output before the limit.
TEST(ProcessRunner, AChildRunningAtTheLimitGetsSIGTERMAndNoOutputAndIsReapedLater) {
    const auto oldHandler = std::signal(SIGTERM, SIG_IGN);  // if the child inherited that, it could not be stopped
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
        const ProcessResult result = runProcess(shell(script, {dir.path().string(), output}, 1s));
        EXPECT_EQ(std::pair(result.outcome, result.output), std::pair(Outcome::timedOut, std::string()));
        // A zombie keeps its /proc entry, so a vanished entry means the child was also reaped.
        const std::string pid = Platform::readWholeFile(dir.path() / "pid", 1 << 20).value_or("?\n");
        const fs::path entry = "/proc/" + pid.substr(0, pid.find('\n'));
        EXPECT_TRUE(fs::exists(entry)) << "the call waited for the child to end";
        EXPECT_TRUE(eventually([&] { return fs::exists(dir.path() / "terminated"); })) << "no SIGTERM arrived";
        std::ofstream(dir.path() / "release").flush();
        EXPECT_TRUE(eventually([&] { return !fs::exists(entry); })) << "left a zombie";
    }
    std::signal(SIGTERM, oldHandler);
}

// A hung tool whose helper keeps its output open and which, like the helper, ignores SIGTERM: at the
// limit the call returns, and the tool's whole process group goes, the helper with it.
TEST(ProcessRunner, AtTheLimitTheChildsWholeProcessGroupGoesEvenWhatIgnoresSIGTERM) {
    testing_support::TempDir dir;
    const std::string script = R"(
        trap '' TERM
        sleep 86400 & echo $! > "$1/helper"
        echo $$ > "$1/tool"
        while :; do sleep 1; done)";
    const ProcessResult result = runProcess(shell(script, {dir.path().string()}, 1s));
    EXPECT_EQ(result.outcome, Outcome::timedOut);
    std::vector<pid_t> started;
    for (const char* name : {"tool", "helper"})
        started.push_back(std::atoi(Platform::readWholeFile(dir.path() / name, 64).value_or("0").c_str()));
    ASSERT_TRUE(started[0] > 1 && started[1] > 1);
    for (const pid_t pid : started) {
        EXPECT_TRUE(eventually([&] { return !testing_support::isRunning(pid); })) << pid << " still runs";
        if (testing_support::isRunning(pid)) ::kill(pid, SIGKILL);
    }
}

// Each run's pipe is close-on-exec, so no child sees another run's descriptors, and none is left open.
TEST(ProcessRunner, ParallelRunsGetTheirOwnOutputAndLeakNoDescriptors) {
    const auto fds = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()); };
    const auto before = fds();
    const auto childFds = shell(R"(for f in /proc/$$/fd/*; do n=${f##*/}; [ "$n" -gt 2 ] && printf '%s ' "$n"; done)");
    const std::string baseline = runProcess(childFds).output;
    std::vector<std::string> failures(6);
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            const auto count = std::to_string(20000 * (t + 1));
            for (int round = 0; round < 4; ++round) {
                const std::string numbers = runProcess({"/usr/bin/seq", {"1", count}, 60s}).output;
                if (!numbers.ends_with("\n" + count + "\n") || std::ranges::count(numbers, '\n') != std::stoi(count))
                    failures[t] += "wrong output; ";
                if (std::string seen = runProcess(childFds).output; seen != baseline) failures[t] += "saw " + seen;
                runProcess({"/nonexistent/tool", {}, std::nullopt});
                runProcess(shell("exec >&-; exec sleep 30", {}, 50ms));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 6; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
    // The runs past their limit are still being stopped in the background for a moment.
    EXPECT_TRUE(eventually([&] { return fds() == before; })) << fds() << " descriptors, " << before << " before";
}

}  // namespace
