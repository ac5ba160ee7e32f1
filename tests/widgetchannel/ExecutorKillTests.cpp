// kill commands against real processes. Whether a process was signalled is read from how it ended:
// the first fatal signal a process receives decides its exit status, so after the executor ran, the
// test sends SIGUSR1 itself — a process that ends by SIGUSR1 got nothing fatal from the executor.

#include "App/Control/WidgetCommandExecutor.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/AtomicFile.h"

extern char** environ;

namespace {

// A child process that sleeps in a process group: its own (group 0) or the given one.
class Sleeper {
public:
    explicit Sleeper(pid_t group = 0, bool ignoresTerm = false) {
        std::string shell = "/bin/sh", dashC = "-c";
        std::string script = ignoresTerm ? "trap '' TERM; exec sleep 600" : "exec sleep 600";
        char* argv[] = {shell.data(), dashC.data(), script.data(), nullptr};
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, group);
        if (::posix_spawn(&pid_, argv[0], nullptr, &attributes, argv, environ) != 0) pid_ = -1;
        posix_spawnattr_destroy(&attributes);
        waitForSleep();
    }
    ~Sleeper() {
        if (pid_ > 0) endedBy();
    }
    Sleeper(const Sleeper&) = delete;
    Sleeper& operator=(const Sleeper&) = delete;

    pid_t pid() const { return pid_; }

    // Sends SIGUSR1 and reaps the process: the signal it ended by (SIGUSR1 unless something fatal
    // came before), or 0 when it exited on its own.
    int endedBy() {
        ::kill(pid_, SIGUSR1);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

private:
    // Until the shell has become sleep: by then its trap is set, and a signal meets the program the
    // test means. The limit only keeps a broken spawn from hanging the test.
    void waitForSleep() {
        const std::string comm = "/proc/" + std::to_string(pid_) + "/comm";
        for (int attempt = 0; pid_ > 0 && attempt < 10000; ++attempt) {
            if (Platform::readWholeFile(comm) == "sleep\n") return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    pid_t pid_ = -1;
};

TEST(ExecutorKill, SendsSIGTERMToAProcessStillInItsGroup) {
    Sleeper server;
    ASSERT_GT(server.pid(), 0);
    WidgetCommandExecutor::execute({WidgetCommand::kill({server.pid()}, {server.pid()})});
    EXPECT_EQ(server.endedBy(), SIGTERM);
}

TEST(ExecutorKill, SignalsOnlyTheListedMemberNotTheWholeGroup) {
    Sleeper leader;
    ASSERT_GT(leader.pid(), 0);
    Sleeper member(leader.pid());
    ASSERT_EQ(::getpgid(member.pid()), leader.pid());
    WidgetCommandExecutor::execute({WidgetCommand::kill({member.pid()}, {leader.pid()})});
    EXPECT_EQ(member.endedBy(), SIGTERM);
    EXPECT_EQ(leader.endedBy(), SIGUSR1);
}

TEST(ExecutorKill, SkipsAProcessThatIsNowInAnotherGroup) {
    Sleeper server;
    Sleeper other;
    ASSERT_GT(server.pid(), 0);
    ASSERT_GT(other.pid(), 0);
    WidgetCommandExecutor::execute({WidgetCommand::kill({server.pid()}, {other.pid()})});
    EXPECT_EQ(server.endedBy(), SIGUSR1);
    EXPECT_EQ(other.endedBy(), SIGUSR1);
}

TEST(ExecutorKill, ReadsTheListsPairwiseUpToTheShorterOne) {
    Sleeper first, second, third;
    WidgetCommandExecutor::execute(
        {WidgetCommand::kill({first.pid(), second.pid(), third.pid()}, {first.pid(), second.pid()})});
    EXPECT_EQ(first.endedBy(), SIGTERM);
    EXPECT_EQ(second.endedBy(), SIGTERM);
    EXPECT_EQ(third.endedBy(), SIGUSR1);
}

TEST(ExecutorKill, NeverSendsMoreThanSIGTERM) {
    Sleeper stubborn(0, /*ignoresTerm=*/true);
    WidgetCommandExecutor::execute({WidgetCommand::kill({stubborn.pid()}, {stubborn.pid()}),
                                    WidgetCommand::kill({stubborn.pid()}, {stubborn.pid()})});
    EXPECT_EQ(stubborn.endedBy(), SIGUSR1);  // still alive: no SIGKILL followed
}

// ---- entries that would reach far more than a server -----------------------------------------------
//
// A pid of 0 means "my own process group" to kill(), -1 "every process I may signal", and -N "the
// group N". Tried for real, they run inside a PID namespace of their own, so that an executor that
// let them through could only reach the sandbox's bystanders, never the machine.

struct Sandbox {
    pid_t ownGroup;          // the executor's process group
    pid_t bystanderInGroup;  // a process in that group
    pid_t bystanderApart;    // the leader of a group of its own
};

constexpr int sandboxUnavailable = 77;

pid_t startBystander(bool ownGroup) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (ownGroup) ::setpgid(0, 0);
        for (;;) ::pause();
    }
    if (pid > 0 && ownGroup) ::setpgid(pid, pid);
    return pid;
}

// In the sandbox's first process: 0 when both bystanders were left alone.
int runSandboxed(const std::function<std::vector<WidgetCommand>(const Sandbox&)>& commandsFor) {
    ::setpgid(0, 0);  // a group inside the namespace: kill(0) must not reach the test program's group
    Sandbox sandbox{::getpgrp(), startBystander(false), startBystander(true)};
    if (sandbox.bystanderInGroup <= 0 || sandbox.bystanderApart <= 0) return sandboxUnavailable;
    WidgetCommandExecutor::execute(commandsFor(sandbox));
    int harmed = 0;
    for (const pid_t bystander : {sandbox.bystanderInGroup, sandbox.bystanderApart}) {
        ::kill(bystander, SIGUSR1);
        int status = 0;
        while (::waitpid(bystander, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGUSR1) ++harmed;
    }
    return harmed == 0 ? 0 : 1;
}

// The exit status of the sandbox, or sandboxUnavailable when no PID namespace can be made here.
int inPIDNamespace(const std::function<std::vector<WidgetCommand>(const Sandbox&)>& commandsFor) {
    const pid_t outer = ::fork();
    if (outer < 0) return sandboxUnavailable;
    if (outer == 0) {
        ::setpgid(0, 0);
        if (::unshare(CLONE_NEWPID) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWPID) != 0) ::_exit(sandboxUnavailable);
        const pid_t first = ::fork();  // pid 1 of the new namespace
        if (first < 0) ::_exit(sandboxUnavailable);
        if (first == 0) ::_exit(runSandboxed(commandsFor));
        int status = 0;
        while (::waitpid(first, &status, 0) < 0 && errno == EINTR) {
        }
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
    }
    int status = 0;
    while (::waitpid(outer, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

void expectSandboxUnharmed(const std::function<std::vector<WidgetCommand>(const Sandbox&)>& commandsFor) {
    const int result = inPIDNamespace(commandsFor);
    if (result == sandboxUnavailable) GTEST_SKIP() << "no PID namespace available to try this safely";
    EXPECT_EQ(result, 0) << "a bystander was signalled";
}

TEST(ExecutorKill, PidZeroIsSkippedRatherThanSignallingTheApplicationsOwnGroup) {
    // getpgid(0) is the caller's own group, so (0, own group) passes a plain group check.
    expectSandboxUnharmed([](const Sandbox& sandbox) {
        return std::vector{WidgetCommand::kill({0}, {sandbox.ownGroup})};
    });
}

TEST(ExecutorKill, PidMinusOneIsSkippedRatherThanSignallingEveryProcess) {
    // getpgid(-1) fails with -1, which equals the listed group -1.
    expectSandboxUnharmed([](const Sandbox&) { return std::vector{WidgetCommand::kill({-1}, {-1})}; });
}

TEST(ExecutorKill, ANegativePidIsSkippedRatherThanSignallingAWholeGroup) {
    expectSandboxUnharmed([](const Sandbox& sandbox) {
        // getpgid(-N) fails with -1 as well; kill(-N) would reach all of group N.
        return std::vector{WidgetCommand::kill({-sandbox.bystanderApart}, {-1})};
    });
}

TEST(ExecutorKill, TheSandboxDoesSeeASignalledBystander) {
    // The same sandbox with a legitimate entry for one bystander: the check above can fail.
    const int result = inPIDNamespace([](const Sandbox& sandbox) {
        return std::vector{WidgetCommand::kill({sandbox.bystanderApart}, {sandbox.bystanderApart})};
    });
    if (result == sandboxUnavailable) GTEST_SKIP() << "no PID namespace available";
    EXPECT_EQ(result, 1);
}

}  // namespace
