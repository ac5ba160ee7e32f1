// The executor against real processes to signal, and through the real Qt workspace, with URL handlers
// standing in for the browser and the file manager's folder window, and an xdg-open on PATH for the
// addresses Qt's URL type refuses. The session bus points nowhere (see support/GuiTestMain.cpp), so
// revealing falls back to opening the folder that holds the item.
//
// Whether a process was signalled is read from how it ended: the first fatal signal a process
// receives decides its exit status, so after the executor ran, the test sends SIGUSR1 itself — a
// process that ends by SIGUSR1 got nothing fatal from the executor.

#include "App/Control/WidgetCommandExecutor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QUrl>

#include <sched.h>

#include <fstream>

#include "Platform/AtomicFile.h"
#include "discovery/support/TestProcesses.h"
#include "support/TempHome.h"
#include "support/UrlRecorder.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ChildProcess;
using testing_support::endedBy;

TEST(ExecutorKill, SendsOnlySIGTERMAndOnlyToListedProcessesStillInTheirGroup) {
    ChildProcess leader({"/bin/sleep", "600"}), member({"/bin/sleep", "600"}, {}, leader.pid());
    ChildProcess moved({"/bin/sleep", "600"}), other({"/bin/sleep", "600"}), unpaired({"/bin/sleep", "600"});
    ChildProcess stubborn({"/bin/sh", "-c", "trap '' TERM; exec sleep 600"});
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return testing_support::processInfo(stubborn.pid())->name == "sleep"; }));
    WidgetCommandExecutor::execute({
        WidgetCommand::kill({member.pid(), moved.pid(), unpaired.pid()}, {leader.pid(), other.pid()}),
        WidgetCommand::kill({stubborn.pid()}, {stubborn.pid()}),
        WidgetCommand::kill({stubborn.pid()}, {stubborn.pid()}),
    });
    EXPECT_EQ(endedBy(member), SIGTERM) << "the listed member, not its whole group";
    EXPECT_EQ(endedBy(leader), SIGUSR1);
    EXPECT_EQ(endedBy(moved), SIGUSR1) << "now in another group";
    EXPECT_EQ(endedBy(other), SIGUSR1);
    EXPECT_EQ(endedBy(unpaired), SIGUSR1) << "pairs go up to the shorter list";
    EXPECT_EQ(endedBy(stubborn), SIGUSR1) << "still alive: no SIGKILL followed";
}

// A pid of 0 means "my own process group" to kill(), -1 "every process I may signal", and -N "the
// group N". Tried for real, they run inside a PID namespace of their own, so that an executor that
// let them through could only reach the sandbox's bystanders, never the machine.
constexpr int sandboxUnavailable = 77;

pid_t startBystander(bool ownGroup) {
    const pid_t pid = ::fork();
    if (pid == 0 && ownGroup) ::setpgid(0, 0);
    if (pid == 0)
        for (;;) ::pause();
    if (pid > 0 && ownGroup) ::setpgid(pid, pid);
    return pid;
}

int statusOf(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) continue;
    return status;
}

// Runs the commands in the sandbox's first process, next to a bystander in its group and one that
// leads another: 0 when both were left alone, 1 when one was signalled.
int inPIDNamespace(const std::function<std::vector<WidgetCommand>(pid_t ownGroup, pid_t apart)>& commandsFor) {
    const pid_t outer = ::fork();
    if (outer != 0) return outer < 0 ? sandboxUnavailable : WEXITSTATUS(statusOf(outer));
    ::setpgid(0, 0);  // kill(0) inside must not reach the test program's group
    if (::unshare(CLONE_NEWPID) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWPID) != 0) ::_exit(sandboxUnavailable);
    const pid_t first = ::fork();
    if (first != 0) ::_exit(first < 0 ? sandboxUnavailable : WEXITSTATUS(statusOf(first)));
    ::setpgid(0, 0);
    const pid_t inGroup = startBystander(false), apart = startBystander(true);
    if (inGroup <= 0 || apart <= 0) ::_exit(sandboxUnavailable);
    WidgetCommandExecutor::execute(commandsFor(::getpgrp(), apart));
    int harmed = 0;
    for (const pid_t bystander : {inGroup, apart}) {
        ::kill(bystander, SIGUSR1);
        const int status = statusOf(bystander);
        harmed += !WIFSIGNALED(status) || WTERMSIG(status) != SIGUSR1;
    }
    ::_exit(harmed == 0 ? 0 : 1);
}

TEST(ExecutorKill, PidsBelowOneAreSkippedRatherThanSignallingGroupsOrEveryProcess) {
    // getpgid(0) is the caller's own group, and a failed getpgid(-N) gives -1: both pass a plain
    // group check.
    const int result = inPIDNamespace([](pid_t ownGroup, pid_t apart) {
        return std::vector{WidgetCommand::kill({0, -1, -apart}, {ownGroup, -1, -1})};
    });
    if (result == sandboxUnavailable) GTEST_SKIP() << "no PID namespace available to try this safely";
    EXPECT_EQ(result, 0) << "a bystander was signalled";
    // The same sandbox with a legitimate entry does see a signalled bystander.
    EXPECT_EQ(inPIDNamespace([](pid_t, pid_t apart) { return std::vector{WidgetCommand::kill({apart}, {apart})}; }), 1);
}

// Runs the event loop until the condition holds; the limit only keeps a broken path from hanging.
bool spinUntil(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    for (timer.start(); !condition() && timer.elapsed() < 30000;)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

class ExecutorWorkspace : public ::testing::Test {
protected:
    void SetUp() override {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &folders, "open");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    testing_support::TempHome home;
    UrlRecorder browser;
    UrlRecorder folders;
};

TEST_F(ExecutorWorkspace, OpenLocalhostOpensEachPortFromOneUpInListOrder) {
    const fs::path record = home.home() / "opened.txt";
    std::ofstream(home.home() / "xdg-open")
        << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << record.string() << ".part'\nmv '" << record.string() << ".part' '"
        << record.string() << "'\n";
    fs::permissions(home.home() / "xdg-open", fs::perms::owner_all);
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", (home.home().string() + ":" + savedPath).c_str(), 1);
    WidgetCommandExecutor::execute({WidgetCommand::openLocalhost(3000), WidgetCommand::openLocalhost(0),
                                    WidgetCommand::kill({}, {}), WidgetCommand::openLocalhost(-1),
                                    WidgetCommand::openLocalhost(INT64_MIN), WidgetCommand::openLocalhost(1),
                                    WidgetCommand::openLocalhost(3000), WidgetCommand::openLocalhost(70000)});
    const bool opened = spinUntil([&] { return fs::exists(record); });
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(browser.opened,
              (QList<QUrl>{QUrl("http://localhost:3000"), QUrl("http://localhost:1"), QUrl("http://localhost:3000")}));
    // Qt's URL type refuses ports above 65535, so that address goes to the desktop's opener as it is.
    ASSERT_TRUE(opened);
    EXPECT_EQ(Platform::readWholeFile(record, 1 << 20), "http://localhost:70000\n");
}

TEST_F(ExecutorWorkspace, RevealFolderFallsBackToOpeningTheFolderThatHoldsIt) {
    WidgetCommandExecutor::execute({WidgetCommand::revealFolder(""), WidgetCommand::revealFolder("/srv/projects/site/"),
                                    WidgetCommand::revealFolder("site"), WidgetCommand::revealFolder("/")});
    // Answers come back in the order of the calls, so had the empty path made a call, its fallback
    // would come first.
    spinUntil([&] { return folders.opened.size() >= 3; });
    EXPECT_EQ(folders.opened, (QList<QUrl>{QUrl::fromLocalFile("/srv/projects"),
                                           QUrl::fromLocalFile(QDir::currentPath()), QUrl::fromLocalFile("/")}));
}

}  // namespace
