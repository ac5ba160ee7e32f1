// LaunchdScanner end to end: a stand-in launchctl answers list and print, the property lists are real.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "Core/Discovery/ProcessScanner.h"
#include "Core/Launchd/LaunchdScanner.h"
#include "Platform/AtomicFile.h"
#include "Platform/SystemLog.h"
#include "support/DevServers.h"
#include "support/PropertyLists.h"
#include "support/TempHome.h"
#include "support/TestProcesses.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) { return Platform::readWholeFile(path, 1 << 20).value_or(""); }
fs::path fixture(const std::string& name) { return fs::path(LAUNCHD_FIXTURES) / name; }

const std::string label = "com.example.agent";
const std::int32_t agentPID = 4312;
const LaunchdParsing::Jobs agentJobs{{agentPID, label}, {612, "com.apple.Finder"}};
const std::string guiTarget = "gui/" + std::to_string(getuid()) + "/" + label, systemTarget = "system/" + label;

// Answers each argument list with the output and exit status it was given; anything else exits 113
// as launchctl does for an unknown service. Records every call.
struct StandInLaunchctl {
    testing_support::TempDir folder;

    StandInLaunchctl() {
        const auto script = folder.path() / "launchctl";
        std::ofstream(script) << "#!/bin/sh\ncd '" << folder.path().string() << "'\n"
                              << "printf '%s\\n' \"$*\" >> calls.log\n"
                              << "key=$(printf '%s' \"$*\" | tr '/ ' '__')\n"
                              << "[ -f \"$key.out\" ] && cat \"$key.out\" && exit \"$(cat \"$key.status\")\"\n"
                              << "exit 113\n";
        fs::permissions(script, fs::perms::owner_all);
        LaunchdScanner::Testing::setLaunchctlPath(script.string());
    }
    ~StandInLaunchctl() { LaunchdScanner::Testing::setLaunchctlPath(std::nullopt); }

    void respond(std::string arguments, const std::string& output, int status = 0) {
        std::ranges::replace_if(
            arguments, [](char c) { return c == '/' || c == ' '; }, '_');
        std::ofstream(folder.path() / (arguments + ".out"), std::ios::binary) << output;
        std::ofstream(folder.path() / (arguments + ".status")) << status;
    }
    void describe(const std::string& target, const fs::path& plist, int status = 0) {
        std::string text = readFile(fixture("print-agent.txt"));
        respond("print " + target, text.replace(text.find("@PLIST@"), 7, plist.string()), status);
    }
    std::string calls() const { return readFile(folder.path() / "calls.log"); }
};

TEST(LaunchdScanner, WithoutLaunchctlEveryServerCountsAsStoppableAndTheFailureIsLoggedOnce) {
    if (fs::exists("/bin/launchctl")) GTEST_SKIP() << "this machine has launchctl";
    Platform::LogCapture log;
    EXPECT_TRUE(LaunchdScanner::listJobs().empty());
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    const std::string missing = "): No such file or directory";
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Vellumark: launchctl error (list" + missing,
                                                     "Vellumark: launchctl error (print " + guiTarget + missing,
                                                     "Vellumark: launchctl error (print " + systemTarget + missing}));
    log.clear();  // every scan meets the same missing tool: it is said once per process
    EXPECT_TRUE(LaunchdScanner::listJobs().empty());
    EXPECT_TRUE(log.lines().empty());
}

// A launchctl that hangs is stopped at its time limit, with the helper it started, and answers nothing.
TEST(LaunchdScanner, AHungLaunchctlIsStoppedAtItsTimeLimitAndAnswersNothing) {
    testing_support::HangingTool launchctl;
    Platform::LogCapture log;
    EXPECT_EQ(LaunchdScanner::run(launchctl.path(), {"list"}, std::chrono::seconds(1)), std::nullopt);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Vellumark: launchctl timed out (list) after 1s"});
    EXPECT_EQ(launchctl.started().size(), 2u);
    EXPECT_TRUE(testing_support::waitUntil([&] { return !launchctl.anyRunning(); }));
}

// The listing also holds stopped jobs and one with a blank label.
TEST(LaunchdScanner, ListParsesOnlyASuccessfulValidListing) {
    StandInLaunchctl launchctl;
    launchctl.respond("list", readFile(fixture("list.txt")));
    EXPECT_EQ(LaunchdScanner::listJobs(),
              (LaunchdParsing::Jobs{{612, "com.apple.Finder"}, {4312, label}, {9021, "com.example.killed-once"}}));
    launchctl.respond("list", readFile(fixture("list.txt")), 1);
    EXPECT_TRUE(LaunchdScanner::listJobs().empty());
    launchctl.respond("list", "PID\tStatus\tLabel\n4312\t0\tcom.example.\xff\n");
    EXPECT_TRUE(LaunchdScanner::listJobs().empty()) << "invalid UTF-8";
}

// A property list that is no regular file, or gone, must neither block the reader nor count.
TEST(LaunchdScanner, KeepsAliveAnswersFromThePropertyListInEitherFormat) {
    StandInLaunchctl launchctl;
    const auto fifo = launchctl.folder.path() / "agent.fifo", gone = launchctl.folder.path() / "gone.plist";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A job file nested deeper than the parser can recurse is refused before it crashes the scan (in
    // either form: PropertyListTests).
    const auto deep = launchctl.folder.path() / "deep.plist";
    ASSERT_FALSE(Platform::writeFileAtomically(deep, testing_support::nestedBinaryPlist(300'000)));
    // A sparse terabyte (no disk used) is not read.
    const auto sparse = launchctl.folder.path() / "sparse.plist";
    std::ofstream(sparse).close();
    fs::resize_file(sparse, std::uintmax_t{1} << 40);
    std::vector<std::pair<fs::path, bool>> plists{{fifo, false},
                                                  {sparse, false},
                                                  {launchctl.folder.path(), false},
                                                  {gone, false},
                                                  {fixture("truncated.binary.plist"), false},
                                                  {fixture("not-a-plist.xml.plist"), false},
                                                  {deep, false}};
    const std::set<std::string> keeping{"true", "one", "negative", "real", "dict", "empty-dict"};
    for (const std::string value : {"true", "one", "negative", "real", "dict", "empty-dict", "false", "zero",
                                    "real-zero", "string", "array", "date", "data", "missing", "top-level-array"}) {
        const std::string name = value == "top-level-array" ? value : "keepalive-" + value;
        for (const char* format : {".xml.plist", ".binary.plist"})
            plists.emplace_back(fixture(name + format), keeping.contains(value));
    }
    for (const auto& [plist, keepsAlive] : plists) {
        EXPECT_TRUE(plist == gone || fs::exists(plist)) << plist;
        launchctl.describe(guiTarget, plist);
        EXPECT_EQ(LaunchdScanner::keepsAlive(agentPID, agentJobs), keepsAlive) << plist;
    }
}

// A non-zero exit is no answer even with a path printed, and output without a path line is none either.
TEST(LaunchdScanner, KeepsAliveAsksTheGUIDomainFirstThenTheSystemDomainAndWithoutAnAnswerIsFalse) {
    StandInLaunchctl launchctl;
    EXPECT_FALSE(LaunchdScanner::keepsAlive(4313, agentJobs) || LaunchdScanner::keepsAlive(agentPID, {}));
    EXPECT_EQ(launchctl.calls(), "") << "launchctl was run for a pid that is no job's";
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs)) << "unknown to both domains";
    EXPECT_EQ(launchctl.calls(), "print " + guiTarget + "\nprint " + systemTarget + "\n");
    launchctl.describe(systemTarget, fixture("keepalive-dict.binary.plist"));
    EXPECT_TRUE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    launchctl.describe(systemTarget, fixture("keepalive-true.xml.plist"), 1);
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    launchctl.respond("print " + systemTarget, "system/com.example.agent = {\n\tstate = running\n}\n");
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    launchctl.describe(guiTarget, fixture("keepalive-true.xml.plist"));
    EXPECT_TRUE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    EXPECT_TRUE(launchctl.calls().ends_with("\nprint " + guiTarget + "\n")) << "asked the system domain too";
}

// launchctl is run only for background-service projects, and only their servers get a mark.
TEST(LaunchdScanner, AnnotateKeepAliveMarksOnlyTheServersOfServiceProjectsByTheirJob) {
    StandInLaunchctl launchctl;
    const auto server = [](std::int32_t pid) { return testing_support::devServer(pid, {5432}, "postgres"); };
    std::vector<DevProject> projects{{"app", "/home/u/app", {server(agentPID)}}};
    EXPECT_EQ(ProcessScanner::annotateKeepAlive(projects), projects);
    EXPECT_EQ(launchctl.calls(), "");
    projects.push_back({"postgres", "service://postgres", {server(agentPID), server(4400)}});
    EXPECT_EQ(ProcessScanner::annotateKeepAlive(projects), projects) << "no jobs listed";
    launchctl.respond("list", readFile(fixture("list.txt")));
    launchctl.describe(guiTarget, fixture("keepalive-true.xml.plist"));
    const auto annotated = ProcessScanner::annotateKeepAlive(projects);
    EXPECT_EQ(annotated[0].servers[0].keptAlive, std::nullopt);
    EXPECT_EQ(annotated[1].servers[0].keptAlive, true);
    EXPECT_EQ(annotated[1].servers[1].keptAlive, false) << "no job's main process";
}

}  // namespace
