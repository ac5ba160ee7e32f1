// The guard in front of every signal: what /proc says about a process, read from the kernel's text;
// the rounding between a start in clock ticks and a snapshot's whole seconds; and real processes: a
// number reused inside a PID namespace of the test's own, a process of another user.

#include "Platform/ProcessGroups.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <limits>
#include <thread>

#include "Platform/ProcFS.h"
#include "Platform/SystemLog.h"
#include "support/PIDNamespace.h"
#include "support/TestProcesses.h"

namespace {

using namespace std::chrono_literals;
namespace ProcFS = Platform::ProcFS;
using Platform::ProcessGroups::signalMembers;
using Platform::ProcessGroups::startedBy;

TEST(ProcFS, ReadsGroupStartUserAndBootTimeFromTheKernelsTextAndNothingFromOtherText) {
    const std::string stat =
        "4242 (my (odd) name) S 1 4200 4200 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9128 10424320 2264\n";
    const auto identity = ProcFS::parseStatIdentity(stat);
    ASSERT_TRUE(identity);
    EXPECT_EQ(std::pair(identity->pgid, identity->startTicks), std::pair(4200, std::uint64_t{9128}));
    for (const char* bad : {"", "4242 name S 1 4200 4200 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9128",
                            "4242 (p) S 1 4200 4200 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0",
                            "4242 (p) S 1 -4200 4200 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9128",
                            "4242 (p) S 1 2147483648 1 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9128",
                            "4242 (p) S 1 4200 4200 0 -1 4194560 2261 0 0 0 1234 56 0 0 20 0 1 0 9x28"})
        EXPECT_EQ(ProcFS::parseStatIdentity(bad), std::nullopt) << bad;

    // The real user, not the effective one a setuid program runs as.
    EXPECT_EQ(ProcFS::parseRealUID("Name:\tpasswd\nState:\tS\nUid:\t1000\t0\t0\t0\nGid:\t1000\t1000\t1000\t1000\n"),
              1000u);
    EXPECT_EQ(ProcFS::parseRealUID("Uid:\t0\t0\t0\t0"), 0u);
    for (const char* bad : {"", "Name:\tx\n", "Uid:\t-1\t0\t0\t0\n", "Uid:\t4294967296\t0\n", "Uid:\n", "Gid:\t5\n"})
        EXPECT_EQ(ProcFS::parseRealUID(bad), std::nullopt) << bad;

    EXPECT_EQ(ProcFS::parseBootTime("cpu  1 2 3\nintr 5 6\nctxt 9\nbtime 1700000000\nprocesses 77\n"), 1700000000);
    for (const char* bad : {"", "cpu  1 2 3\n", "btime\n", "btime -5\n", "btimes 12\n"})
        EXPECT_EQ(ProcFS::parseBootTime(bad), std::nullopt) << bad;

    // This very process, as the kernel describes it.
    const auto self = ProcFS::identify(::getpid());
    ASSERT_TRUE(self);
    EXPECT_EQ(std::pair(self->pgid, self->realUID), std::pair(::getpgrp(), ::getuid()));
    EXPECT_TRUE(ProcFS::numbersProcessesAsWeDo());
    EXPECT_EQ(ProcFS::identify(0), std::nullopt);
}

// A snapshot file holds whole seconds, and the start is known to the tick after a boot known to the
// second: a server that started within the second its snapshot was stamped with must still pass.
TEST(SignalGuard, AStartCountsByTheWholeSecondAgainstTheListsTimeRoundedUp) {
    constexpr std::int64_t boot = 1'700'000'000;
    const auto at = [](double seconds) {
        return Platform::Date(std::chrono::duration_cast<Platform::Date::duration>(
            std::chrono::duration<double>(static_cast<double>(boot) + seconds)));
    };
    EXPECT_TRUE(startedBy(50'099, boot, 100, at(500)));  // 500.99 s after boot: the snapshot's own second
    EXPECT_FALSE(startedBy(50'100, boot, 100, at(500)));
    EXPECT_TRUE(startedBy(50'199, boot, 100, at(500.25)));  // a finer time counts up to its next second
    EXPECT_FALSE(startedBy(50'200, boot, 100, at(500.25)));
    EXPECT_TRUE(startedBy(0, boot, 100, at(0)));
    EXPECT_FALSE(startedBy(0, boot, 100, Platform::Date::min())) << "no time known: nothing started by then";
    EXPECT_FALSE(startedBy(0, boot, 0, at(500)));
    EXPECT_FALSE(startedBy(std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::int64_t>::max(), 1,
                           Platform::Date::max()));
}

// A process that leads a session of its own, as every shell job does, and so passes a check of the
// process group alone.
pid_t startSessionLeader() {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::setsid();
    for (;;) ::pause();
}

bool leadsItsGroup(pid_t pid) {
    return testing_support::waitUntil([&] { return ::getpgid(pid) == pid; });
}

// The signal that ended a child: SIGUSR1, sent now, when nothing fatal came before.
int endedBy(pid_t pid) {
    ::kill(pid, SIGUSR1);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) continue;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

// What went wrong inside the sandbox, by its result.
const char* sandboxStep(int result) {
    switch (result) {
    case 0: return "none";
    case 1: return "the server did not start";
    case 2: return "a server listed within its own second was not stopped";
    case 3: return "the sandbox could not choose the next number";
    case 4: return "the stranger did not get the server's number";
    case 5: return "the stranger at the reused number was signalled";
    case 6: return "the skipped stranger was not logged";
    default: return "the sandbox ended abnormally";
    }
}

TEST(SignalGuard, AReusedNumberIsNotSignalledWhileTheProcessItListedIs) {
    const int result = testing_support::inPIDNamespace([] {
        const pid_t server = startSessionLeader();
        if (server <= 0 || !leadsItsGroup(server)) return 1;
        // The snapshot listing it, stamped in whole seconds as the file holds it: mostly the very
        // second the server started in.
        const Platform::Date listedAt =
            *Platform::parseISO8601(Platform::formatISO8601(std::chrono::system_clock::now()));
        if (signalMembers({server}, server, SIGTERM, listedAt) != 1 || endedBy(server) != SIGTERM) return 2;

        // The server has gone, and the kernel hands its number to an unrelated session leader, while a
        // snapshot from a minute ago, from before it went, still lists the server there.
        if (!testing_support::nextPIDWillBe(server)) return 3;
        const pid_t stranger = startSessionLeader();
        if (stranger != server || !leadsItsGroup(stranger)) return 4;
        Platform::LogCapture log;
        if (signalMembers({server}, server, SIGTERM, listedAt - 1min) != 0 || endedBy(stranger) != SIGUSR1) return 5;
        if (!log.contains("Vellumark: not signalling pid " + std::to_string(server) +
                          " — it started after the list it was chosen from"))
            return 6;
        return 0;
    });
    if (result == testing_support::pidNamespaceUnavailable)
        GTEST_SKIP() << "this machine allows no PID namespace, so no process number can be reused on purpose here";
    EXPECT_EQ(result, 0) << sandboxStep(result);
}

// Inside a PID namespace that kept the machine's /proc, /proc/<n> describes the machine's process n,
// not the namespace's: here the machine's n is a group leader that passes every check, while the
// namespace's n is another process. Nothing can be checked there, so nothing is signalled.
TEST(SignalGuard, WhereProcDescribesOtherNumbersNothingIsSignalled) {
    const testing_support::ChildProcess machines({"sleep", "600"});
    const int result = testing_support::inPIDNamespace(
        [&] {
            if (!testing_support::nextPIDWillBe(machines.pid())) return 4;
            const pid_t leader = startSessionLeader();
            if (leader != machines.pid() || !leadsItsGroup(leader)) return 1;
            Platform::LogCapture log;
            const std::size_t reached = signalMembers({leader}, leader, SIGTERM, std::chrono::system_clock::now());
            if (endedBy(leader) != SIGUSR1 || reached != 0) return 2;
            return log.contains("Vellumark: not signalling process group " + std::to_string(leader) +
                                " — /proc does not tell which processes its pids name")
                       ? 0
                       : 3;
        },
        testing_support::SandboxProc::machines);
    if (result == testing_support::pidNamespaceUnavailable)
        GTEST_SKIP() << "this machine allows no PID namespace to try this in";
    EXPECT_EQ(result, 0);
}

// Run as root, kill() reaches every user's processes; a listed number now held by another user's
// process must not.
TEST(SignalGuard, AProcessOfAnotherUserIsNotSignalled) {
    if (::getuid() != 0) GTEST_SKIP() << "only root can start a process of another user to try this with";
    testing_support::ChildProcess other(
        {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "sleep", "600"});
    ASSERT_TRUE(testing_support::waitUntil([&] {
        return testing_support::processInfo(other.pid()).value_or(testing_support::ProcessInfo{}).name == "sleep";
    }));
    Platform::LogCapture log;
    EXPECT_EQ(signalMembers({other.pid()}, other.pid(), SIGTERM, std::chrono::system_clock::now()), 0u);
    EXPECT_TRUE(
        log.contains("Vellumark: not signalling pid " + std::to_string(other.pid()) + " — it belongs to another user"));
    EXPECT_EQ(testing_support::endedBy(other), SIGUSR1);
}

}  // namespace
