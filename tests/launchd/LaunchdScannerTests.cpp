// LaunchdScanner end to end: a stand-in launchctl answers list and print the way the real one does,
// and the job property lists are real files in both formats.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "App/Launchd/LaunchdScanner.h"
#include "Platform/SystemLog.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

fs::path fixture(const std::string& name) { return fs::path(LAUNCHD_FIXTURES) / name; }

const std::string label = "com.example.agent";
const std::int32_t agentPID = 4312;
const LaunchdParsing::Jobs agentJobs{{agentPID, label}, {612, "com.apple.Finder"}};
const std::string guiTarget = "gui/" + std::to_string(getuid()) + "/" + label;
const std::string systemTarget = "system/" + label;

// Answers each argument list with the output and exit status it was given; anything else exits 113
// as launchctl does for an unknown service. Records every call and the locale it ran in.
class StandInLaunchctl {
public:
    StandInLaunchctl() {
        fs::create_directories(folder_.path() / "responses");
        const auto script = folder_.path() / "launchctl";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "cd '" << folder_.path().string() << "'\n"
                                 "printf '%s\\n' \"$*\" >> calls.log\n"
                                 "printf '%s\\n' \"$LC_ALL\" > locale\n"
                                 "key=responses/$(printf '%s' \"$*\" | tr '/ ' '__')\n"
                                 "[ -f \"$key.delete\" ] && rm -f \"$(cat \"$key.delete\")\"\n"
                                 "[ -f \"$key.out\" ] && cat \"$key.out\" && exit \"$(cat \"$key.status\")\"\n"
                                 "exit 113\n";
        fs::permissions(script, fs::perms::owner_all);
        LaunchdScanner::Testing::setLaunchctlPath(script.string());
    }
    ~StandInLaunchctl() { LaunchdScanner::Testing::setLaunchctlPath(std::nullopt); }

    void respond(const std::string& arguments, const std::string& output, int status = 0) {
        std::ofstream(response(arguments, ".out"), std::ios::binary) << output;
        std::ofstream(response(arguments, ".status")) << status;
    }
    // `print` answering with the path of the property list at `plist`.
    void describe(const std::string& target, const fs::path& plist, int status = 0) {
        std::string text = readFile(fixture("print-agent.txt"));
        respond("print " + target, text.replace(text.find("@PLIST@"), 7, plist.string()), status);
    }
    void deleteWhenRun(const std::string& arguments, const fs::path& file) {
        std::ofstream(response(arguments, ".delete")) << file.string();
    }
    Lines calls() const {
        Lines lines;
        std::ifstream file(folder_.path() / "calls.log");
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }
    std::string locale() const { return readFile(folder_.path() / "locale"); }
    const fs::path& folder() const { return folder_.path(); }

private:
    fs::path response(std::string arguments, const std::string& suffix) const {
        for (auto& character : arguments)
            if (character == '/' || character == ' ') character = '_';
        return folder_.path() / "responses" / (arguments + suffix);
    }

    testing_support::TempDir folder_;
};

TEST(LaunchdScanner, WithoutLaunchctlEveryServerCountsAsStoppableAndTheFailureIsLogged) {
    if (fs::exists("/bin/launchctl")) GTEST_SKIP() << "this machine has launchctl";
    EXPECT_EQ(LaunchdScanner::launchctlPath(), "/bin/launchctl");
    Platform::LogCapture log;
    EXPECT_TRUE(LaunchdScanner::listJobs().empty());
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    EXPECT_EQ(log.lines(), (Lines{"Vellumark: launchctl error (list): No such file or directory",
                                  "Vellumark: launchctl error (print " + guiTarget + "): No such file or directory",
                                  "Vellumark: launchctl error (print " + systemTarget + "): No such file or directory"}));
    // Every scan meets the same missing tool: it is said once per process.
    log.clear();
    EXPECT_TRUE(LaunchdScanner::listJobs().empty());
    EXPECT_TRUE(log.lines().empty());
}

TEST(LaunchdScanner, ListParsesOnlyASuccessfulValidListingInTheCLocale) {
    StandInLaunchctl launchctl;
    launchctl.respond("list", readFile(fixture("list.txt")));
    // The listing also holds stopped jobs and one with a blank label.
    EXPECT_EQ(LaunchdScanner::listJobs(),
              (LaunchdParsing::Jobs{{612, "com.apple.Finder"}, {4312, label}, {9021, "com.example.killed-once"}}));
    EXPECT_EQ(launchctl.calls(), Lines{"list"});
    EXPECT_EQ(launchctl.locale(), "C\n");

    launchctl.respond("list", readFile(fixture("list.txt")), 1);
    EXPECT_TRUE(LaunchdScanner::listJobs().empty());
    launchctl.respond("list", "PID\tStatus\tLabel\n4312\t0\tcom.example.\xff\n");
    EXPECT_TRUE(LaunchdScanner::listJobs().empty()) << "invalid UTF-8";
}

TEST(LaunchdScanner, KeepsAliveAnswersFromThePropertyListInEitherFormat) {
    const std::pair<const char*, bool> values[] = {
        {"keepalive-true", true},     {"keepalive-one", true},   {"keepalive-negative", true},
        {"keepalive-real", true},     {"keepalive-dict", true},  {"keepalive-empty-dict", true},
        {"keepalive-false", false},   {"keepalive-zero", false}, {"keepalive-real-zero", false},
        {"keepalive-string", false},  {"keepalive-array", false}, {"keepalive-date", false},
        {"keepalive-data", false},    {"keepalive-missing", false}, {"top-level-array", false},
    };
    StandInLaunchctl launchctl;
    for (const auto& [name, keepsAlive] : values) {
        for (const char* format : {".xml.plist", ".binary.plist"}) {
            launchctl.describe(guiTarget, fixture(name + std::string(format)));
            EXPECT_EQ(LaunchdScanner::keepsAlive(agentPID, agentJobs), keepsAlive) << name << format;
        }
    }
    for (const char* damaged : {"truncated.binary.plist", "not-a-plist.xml.plist"}) {
        launchctl.describe(guiTarget, fixture(damaged));
        EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs)) << damaged;
    }
}

TEST(LaunchdScanner, KeepsAliveAsksTheGUIDomainFirstThenTheSystemDomain) {
    StandInLaunchctl launchctl;
    launchctl.describe(guiTarget, fixture("keepalive-true.xml.plist"));
    launchctl.describe(systemTarget, fixture("keepalive-false.xml.plist"));
    EXPECT_TRUE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    EXPECT_EQ(launchctl.calls(), Lines{"print " + guiTarget});

    StandInLaunchctl systemOnly;
    systemOnly.describe(systemTarget, fixture("keepalive-dict.binary.plist"));
    EXPECT_TRUE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    EXPECT_EQ(systemOnly.calls(), (Lines{"print " + guiTarget, "print " + systemTarget}));
}

TEST(LaunchdScanner, NoUsableAnswerFromLaunchctlIsFalse) {
    StandInLaunchctl launchctl;
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs)) << "unknown to both domains";
    EXPECT_EQ(launchctl.calls().size(), 2u);

    launchctl.respond("print " + guiTarget, "gui/501/com.example.agent = {\n\tstate = running\n}\n");
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs)) << "output without a path line";

    // A non-zero exit is no answer even with a path printed.
    launchctl.describe(guiTarget, fixture("keepalive-true.xml.plist"), 1);
    launchctl.describe(systemTarget, fixture("keepalive-true.xml.plist"), 113);
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    launchctl.describe(systemTarget, fixture("keepalive-true.xml.plist"), 0);
    EXPECT_TRUE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
}

TEST(LaunchdScanner, APidThatIsNoJobsMainProcessIsFalseWithoutRunningAnything) {
    StandInLaunchctl launchctl;
    launchctl.describe(guiTarget, fixture("keepalive-true.xml.plist"));
    EXPECT_FALSE(LaunchdScanner::keepsAlive(4313, agentJobs));
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, {}));
    EXPECT_TRUE(launchctl.calls().empty());
}

TEST(LaunchdScanner, APropertyListThatIsGoneOrNoRegularFileIsFalseAndNeverBlocks) {
    StandInLaunchctl launchctl;
    const auto plist = launchctl.folder() / "com.example.agent.plist";
    fs::copy_file(fixture("keepalive-true.binary.plist"), plist);
    launchctl.describe(guiTarget, plist);
    EXPECT_TRUE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    launchctl.deleteWhenRun("print " + guiTarget, plist);  // deleted after print answered
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    EXPECT_FALSE(fs::exists(plist));

    const auto fifo = launchctl.folder() / "agent.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(launchctl.folder() / "empty.plist").flush();
    for (const auto& path : {fifo, launchctl.folder(), launchctl.folder() / "empty.plist"}) {
        launchctl.describe(guiTarget, path);
        EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs)) << path;
    }
}

}  // namespace
