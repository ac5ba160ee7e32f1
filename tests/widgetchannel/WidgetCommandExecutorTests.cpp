// The executor against real processes to signal, and through the real Qt workspace, with URL handlers
// standing in for the browser and the file manager's folder window, and an xdg-open on PATH for the
// addresses Qt's URL type refuses. The session bus points nowhere (see support/GuiTestMain.cpp), so
// revealing falls back to opening the folder that holds the item.
//
// Whether a process was signalled is read from how it ended: the first fatal signal a process
// receives decides its exit status, so after the executor ran, the test sends SIGUSR1 itself — a
// process that ends by SIGUSR1 got nothing fatal from the executor.

#include "Core/Control/WidgetCommandExecutor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QUrl>

#include <fstream>

#include <nlohmann/json.hpp>

#include "Platform/AtomicFile.h"
#include "Platform/SystemLog.h"
#include "Shared/Settings/AppGroup.h"
#include "support/PIDNamespace.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"
#include "support/UrlRecorder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::endedBy;

// The commands as one drain of a queue file written just now.
void executeQueuedNow(std::vector<WidgetCommand> commands) {
    WidgetCommandExecutor::execute({{std::move(commands), std::chrono::system_clock::now()}});
}

TEST(ExecutorKill, SendsOnlySIGTERMAndOnlyToListedProcessesStillInTheirGroup) {
    ChildProcess leader({"/bin/sleep", "600"}), member({"/bin/sleep", "600"}, {}, leader.pid());
    ChildProcess moved({"/bin/sleep", "600"}), other({"/bin/sleep", "600"}), unpaired({"/bin/sleep", "600"});
    ChildProcess stubborn({"/bin/sh", "-c", "trap '' TERM; exec sleep 600"});
    ASSERT_TRUE(
        testing_support::waitUntil([&] { return testing_support::processInfo(stubborn.pid())->name == "sleep"; }));
    executeQueuedNow({
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

// The widget queued a stop for the server that held a number, the server ended and the number went to
// another process; the application drains the queue only now. A stop reaches only processes that had
// started when its queue file was written.
TEST(ExecutorKill, AStopReachesOnlyProcessesThatHadStartedWhenItsQueueFileWasWritten) {
    testing_support::TempHome home;
    Platform::LogCapture log;
    ChildProcess successor({"/bin/sleep", "600"}), listed({"/bin/sleep", "600"});
    const fs::path queue = *AppGroup::containerURL() / WidgetCommandQueue::fileName;
    const fs::path aside = queue.string() + ".draining";  // left by a drain an hour ago that never finished
    std::ofstream(aside) << nlohmann::json(std::vector{WidgetCommand::kill({successor.pid()}, {successor.pid()})});
    fs::last_write_time(aside, fs::file_time_type::clock::from_sys(std::chrono::system_clock::now() - 1h));
    WidgetCommandQueue::enqueue(WidgetCommand::kill({listed.pid()}, {listed.pid()}));

    WidgetCommandExecutor::execute(WidgetCommandQueue::tryDrain(2s).batches);
    EXPECT_EQ(endedBy(successor), SIGUSR1);
    EXPECT_EQ(endedBy(listed), SIGTERM);
    EXPECT_TRUE(log.contains("Vellumark: not signalling pid " + std::to_string(successor.pid()) +
                             " — it started after the list it was chosen from"));
}

// A pid of 0 means "my own process group" to kill(), -1 "every process I may signal", and -N "the
// group N". Tried for real, they run inside a PID namespace of their own, so that an executor that
// let them through could only reach the sandbox's bystanders, never the machine.
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
// leads another: 0 when both were left alone, 1 when one was signalled, 2 when they did not start.
int amongBystanders(const std::function<std::vector<WidgetCommand>(pid_t ownGroup, pid_t apart)>& commandsFor) {
    return testing_support::inPIDNamespace([&] {
        ::setpgid(0, 0);
        const pid_t inGroup = startBystander(false), apart = startBystander(true);
        if (inGroup <= 0 || apart <= 0) return 2;
        WidgetCommandExecutor::execute({{commandsFor(::getpgrp(), apart), std::chrono::system_clock::now()}});
        int harmed = 0;
        for (const pid_t bystander : {inGroup, apart}) {
            ::kill(bystander, SIGUSR1);
            const int status = statusOf(bystander);
            harmed += !WIFSIGNALED(status) || WTERMSIG(status) != SIGUSR1;
        }
        return harmed == 0 ? 0 : 1;
    });
}

TEST(ExecutorKill, PidsBelowOneAreSkippedRatherThanSignallingGroupsOrEveryProcess) {
    // getpgid(0) is the caller's own group, and a failed getpgid(-N) gives -1: both pass a plain
    // group check.
    const int result = amongBystanders([](pid_t ownGroup, pid_t apart) {
        return std::vector{WidgetCommand::kill({0, -1, -apart}, {ownGroup, -1, -1})};
    });
    if (result == testing_support::pidNamespaceUnavailable)
        GTEST_SKIP() << "this machine allows no PID namespace to try this safely in";
    EXPECT_EQ(result, 0) << "a bystander was signalled";
    // The same sandbox with a legitimate entry does see a signalled bystander.
    EXPECT_EQ(amongBystanders([](pid_t, pid_t apart) { return std::vector{WidgetCommand::kill({apart}, {apart})}; }),
              1);
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
    executeQueuedNow({WidgetCommand::openLocalhost(3000), WidgetCommand::openLocalhost(0), WidgetCommand::kill({}, {}),
                      WidgetCommand::openLocalhost(-1), WidgetCommand::openLocalhost(INT64_MIN),
                      WidgetCommand::openLocalhost(1), WidgetCommand::openLocalhost(3000),
                      WidgetCommand::openLocalhost(70000)});
    const bool opened = spinUntil([&] { return fs::exists(record); });
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(browser.opened, (QList<QUrl>{QUrl("http://localhost:3000"), QUrl("http://localhost:1")}))
        << "the repeated address is opened once";
    // Qt's URL type refuses ports above 65535, so that address goes to the desktop's opener as it is.
    ASSERT_TRUE(opened);
    EXPECT_EQ(Platform::readWholeFile(record, 1 << 20), "http://localhost:70000\n");
}

TEST_F(ExecutorWorkspace, RevealFolderFallsBackToOpeningTheFolderThatHoldsIt) {
    executeQueuedNow({WidgetCommand::revealFolder(""), WidgetCommand::revealFolder("/srv/projects/site/"),
                      WidgetCommand::revealFolder("site"), WidgetCommand::revealFolder("/")});
    // Answers come back in the order of the calls, so had the empty path made a call, its fallback
    // would come first.
    spinUntil([&] { return folders.opened.size() >= 3; });
    EXPECT_EQ(folders.opened, (QList<QUrl>{QUrl::fromLocalFile("/srv/projects"),
                                           QUrl::fromLocalFile(QDir::currentPath()), QUrl::fromLocalFile("/")}));
}

// A flooded queue: 1,200 openings of 310 distinct kinds. Each runs once, and one drain starts no
// more programs than its bound; the rest are dropped with one log line.
TEST_F(ExecutorWorkspace, OneDrainOpensEachAddressAndFolderOnceAndAtMostItsBound) {
    Platform::LogCapture log;
    std::vector<WidgetCommand> flood;
    for (int i = 0; i < 600; ++i) {
        flood.push_back(WidgetCommand::openLocalhost(3000 + i % 10));
        flood.push_back(WidgetCommand::revealFolder("/srv/site" + std::to_string(i % 300) + "/app"));
    }
    std::ofstream(*AppGroup::containerURL() / WidgetCommandQueue::fileName) << nlohmann::json(flood);
    WidgetCommandExecutor::execute(WidgetCommandQueue::tryDrain(2s).batches);
    // The next drain opens again; answers come back in the order of the calls, so its folder comes
    // after everything the flood opened.
    executeQueuedNow({WidgetCommand::revealFolder("/srv/next/app")});
    ASSERT_TRUE(spinUntil([&] { return folders.opened.endsWith(QUrl::fromLocalFile("/srv/next")); }));

    QList<QUrl> addresses, parents;
    for (int i = 0; i < 8; ++i) {
        addresses.append(QUrl("http://localhost:" + QString::number(3000 + i)));
        parents.append(QUrl::fromLocalFile("/srv/site" + QString::number(i)));
    }
    parents.append(QUrl::fromLocalFile("/srv/next"));
    EXPECT_EQ(browser.opened, addresses);
    EXPECT_EQ(folders.opened, parents);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Vellumark: dropped 294 widget open and reveal commands beyond 16 "
                                                    "in one drain"});
}

}  // namespace
