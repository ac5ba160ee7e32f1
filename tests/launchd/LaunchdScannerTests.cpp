// LaunchdScanner end to end: a stand-in launchctl answers list and print the way the real one does,
// and the job property lists are real files in both formats.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "App/Launchd/LaunchdScanner.h"
#include "Platform/SystemLog.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

fs::path fixturePath(const std::string& name) { return fs::path(LAUNCHD_FIXTURES) / name; }

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    if (const auto at = text.find(from); at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

const std::string label = "com.example.agent";
const std::int32_t agentPID = 4312;

std::string guiTarget() { return "gui/" + std::to_string(getuid()) + "/" + label; }
std::string systemTarget() { return "system/" + label; }

// Answers each argument list with the output and exit status it was given; anything else exits 113
// as launchctl does for an unknown service. Records every call.
class StandInLaunchctl {
public:
    StandInLaunchctl() {
        fs::create_directories(responses());
        const auto script = folder_.path() / "launchctl";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "printf '%s\\n' \"$*\" >> '" << calls_path().string() << "'\n"
                                 "printf '%s\\n' \"$LC_ALL\" > '" << (folder_.path() / "locale").string() << "'\n"
                                 "key=$(printf '%s' \"$*\" | tr '/ ' '__')\n"
                                 "dir='" << responses().string() << "'\n"
                                 "[ -f \"$dir/$key.out\" ] && cat \"$dir/$key.out\"\n"
                                 "[ -f \"$dir/$key.delete\" ] && rm -f \"$(cat \"$dir/$key.delete\")\"\n"
                                 "[ -f \"$dir/$key.status\" ] && exit \"$(cat \"$dir/$key.status\")\"\n"
                                 "[ -f \"$dir/$key.out\" ] && exit 0\n"
                                 "echo \"Could not find service in domain\" >&2\n"
                                 "exit 113\n";
        fs::permissions(script, fs::perms::owner_all);
        LaunchdScanner::Testing::setLaunchctlPath(script.string());
    }
    ~StandInLaunchctl() { LaunchdScanner::Testing::setLaunchctlPath(std::nullopt); }

    void respond(const std::string& arguments, const std::string& output, int status = 0) {
        std::ofstream(responseFile(arguments, ".out"), std::ios::binary) << output;
        if (status != 0) std::ofstream(responseFile(arguments, ".status")) << status;
    }
    // `print` answering with the path of the property list at `plist`.
    void describe(const std::string& target, const fs::path& plist, int status = 0) {
        respond("print " + target, replaced(readFile(fixturePath("print-agent.txt")), "@PLIST@", plist.string()),
                status);
    }
    void deleteWhenRun(const std::string& arguments, const fs::path& file) {
        std::ofstream(responseFile(arguments, ".delete")) << file.string();
    }
    std::vector<std::string> calls() const {
        std::vector<std::string> lines;
        std::ifstream file(calls_path());
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }
    std::string locale() const { return readFile(folder_.path() / "locale"); }
    const fs::path& folder() const { return folder_.path(); }

private:
    fs::path responses() const { return folder_.path() / "responses"; }
    fs::path calls_path() const { return folder_.path() / "calls.log"; }
    fs::path responseFile(std::string arguments, const std::string& suffix) const {
        for (auto& character : arguments)
            if (character == '/' || character == ' ') character = '_';
        return responses() / (arguments + suffix);
    }

    testing_support::TempDir folder_;
};

const LaunchdParsing::Jobs agentJobs{{agentPID, label}, {612, "com.apple.Finder"}};

// ---- The real path on this platform -------------------------------------------------------------

TEST(LaunchdScannerWithoutLaunchctl, EveryServerCountsAsStoppableAndTheFailureIsLogged) {
    if (fs::exists("/bin/launchctl")) GTEST_SKIP() << "this machine has launchctl";
    EXPECT_EQ(LaunchdScanner::launchctlPath(), "/bin/launchctl");
    Platform::LogCapture log;
    EXPECT_TRUE(LaunchdScanner::listJobs().empty());
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Vellumark: launchctl error (list): No such file or directory",
                               "Vellumark: launchctl error (print " + guiTarget() + "): No such file or directory",
                               "Vellumark: launchctl error (print " + systemTarget() + "): No such file or directory",
                           }));
}

// ---- list ---------------------------------------------------------------------------------------

TEST(LaunchdScannerList, ParsesWhatLaunchctlListPrints) {
    StandInLaunchctl launchctl;
    launchctl.respond("list", readFile(fixturePath("list.txt")));
    EXPECT_EQ(LaunchdScanner::listJobs(), (LaunchdParsing::Jobs{{612, "com.apple.Finder"},
                                                               {4312, "com.example.agent"},
                                                               {9021, "com.example.killed-once"}}));
    EXPECT_EQ(launchctl.calls(), std::vector<std::string>{"list"});
    EXPECT_EQ(launchctl.locale(), "C\n");
}

TEST(LaunchdScannerList, ANonZeroExitOrInvalidTextGivesNoJobs) {
    StandInLaunchctl launchctl;
    launchctl.respond("list", readFile(fixturePath("list.txt")), 1);
    EXPECT_TRUE(LaunchdScanner::listJobs().empty());
    launchctl.respond("list", "PID\tStatus\tLabel\n4312\t0\tcom.example.\xff\n");
    std::remove((launchctl.folder() / "responses/list.status").c_str());
    EXPECT_TRUE(LaunchdScanner::listJobs().empty());
}

TEST(LaunchdScannerRun, ReturnsTheOutputOfASuccessfulRunOnly) {
    StandInLaunchctl launchctl;
    launchctl.respond("print system/x", "text\n");
    EXPECT_EQ(LaunchdScanner::run(LaunchdScanner::launchctlPath(), {"print", "system/x"}), "text\n");
    EXPECT_EQ(LaunchdScanner::run(LaunchdScanner::launchctlPath(), {"print", "system/y"}), std::nullopt);
    Platform::LogCapture log;
    EXPECT_EQ(LaunchdScanner::run((launchctl.folder() / "missing").string(), {"print", "gui/1/a b"}), std::nullopt);
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"Vellumark: launchctl error (print gui/1/a b): No such file or directory"});
}

// ---- keepsAlive over the property-list values ----------------------------------------------------

struct PlistCase {
    std::string file;
    bool keepsAlive;
    friend void PrintTo(const PlistCase& value, std::ostream* out) { *out << value.file; }
};

class KeepAliveFileTest : public testing::TestWithParam<PlistCase> {};

TEST_P(KeepAliveFileTest, AnswersFromTheJobsPropertyList) {
    StandInLaunchctl launchctl;
    launchctl.describe(guiTarget(), fixturePath(GetParam().file));
    EXPECT_EQ(LaunchdScanner::keepsAlive(agentPID, agentJobs), GetParam().keepsAlive) << GetParam().file;
}

std::vector<PlistCase> plistCases() {
    const std::vector<PlistCase> values{
        {"keepalive-true", true},        {"keepalive-one", true},          {"keepalive-negative", true},
        {"keepalive-real", true},        {"keepalive-dict", true},         {"keepalive-empty-dict", true},
        {"keepalive-false", false},      {"keepalive-zero", false},        {"keepalive-real-zero", false},
        {"keepalive-string", false},     {"keepalive-array", false},       {"keepalive-date", false},
        {"keepalive-data", false},       {"keepalive-missing", false},     {"top-level-array", false},
    };
    std::vector<PlistCase> cases;
    for (const auto& value : values)
        for (const std::string format : {".xml.plist", ".binary.plist"})
            cases.push_back({value.file + format, value.keepsAlive});
    cases.push_back({"truncated.binary.plist", false});
    cases.push_back({"not-a-plist.xml.plist", false});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(PropertyLists, KeepAliveFileTest, testing::ValuesIn(plistCases()),
                         [](const testing::TestParamInfo<PlistCase>& info) {
                             std::string name;
                             for (const char character : info.param.file)
                                 if (std::isalnum(static_cast<unsigned char>(character))) name += character;
                             return name;
                         });

// ---- keepsAlive: the way to the file -------------------------------------------------------------

TEST(LaunchdScannerKeepsAlive, AsksTheGUIDomainFirstAndStopsThere) {
    StandInLaunchctl launchctl;
    launchctl.describe(guiTarget(), fixturePath("keepalive-true.xml.plist"));
    launchctl.describe(systemTarget(), fixturePath("keepalive-false.xml.plist"));
    EXPECT_TRUE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    EXPECT_EQ(launchctl.calls(), std::vector<std::string>{"print " + guiTarget()});
}

TEST(LaunchdScannerKeepsAlive, AJobKnownOnlyToTheSystemDomainIsFoundThere) {
    StandInLaunchctl launchctl;
    launchctl.describe(systemTarget(), fixturePath("keepalive-dict.binary.plist"));
    EXPECT_TRUE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    EXPECT_EQ(launchctl.calls(), (std::vector<std::string>{"print " + guiTarget(), "print " + systemTarget()}));
}

TEST(LaunchdScannerKeepsAlive, ANonZeroExitIsNoAnswerEvenWithAPathPrinted) {
    StandInLaunchctl launchctl;
    launchctl.describe(guiTarget(), fixturePath("keepalive-true.xml.plist"), 1);
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    launchctl.describe(systemTarget(), fixturePath("keepalive-true.xml.plist"), 113);
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    launchctl.describe(systemTarget(), fixturePath("keepalive-true.xml.plist"), 0);
    std::remove((launchctl.folder() / "responses/print_system_com.example.agent.status").c_str());
    EXPECT_TRUE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
}

TEST(LaunchdScannerKeepsAlive, UnknownToBothDomainsIsFalse) {
    StandInLaunchctl launchctl;
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    EXPECT_EQ(launchctl.calls().size(), 2u);
}

TEST(LaunchdScannerKeepsAlive, APidThatIsNoJobsMainProcessIsFalseWithoutRunningAnything) {
    StandInLaunchctl launchctl;
    launchctl.describe(guiTarget(), fixturePath("keepalive-true.xml.plist"));
    EXPECT_FALSE(LaunchdScanner::keepsAlive(4313, agentJobs));
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, {}));
    EXPECT_TRUE(launchctl.calls().empty());
}

TEST(LaunchdScannerKeepsAlive, APropertyListDeletedAfterPrintIsFalse) {
    StandInLaunchctl launchctl;
    const auto plist = launchctl.folder() / "com.example.agent.plist";
    fs::copy_file(fixturePath("keepalive-true.binary.plist"), plist);
    launchctl.describe(guiTarget(), plist);
    EXPECT_TRUE(LaunchdScanner::keepsAlive(agentPID, agentJobs));  // the same file while it exists
    launchctl.deleteWhenRun("print " + guiTarget(), plist);
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
    EXPECT_FALSE(fs::exists(plist));
}

TEST(LaunchdScannerKeepsAlive, OutputWithoutAPathLineIsFalse) {
    StandInLaunchctl launchctl;
    launchctl.respond("print " + guiTarget(), "gui/501/com.example.agent = {\n\tstate = running\n}\n");
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
}

TEST(LaunchdScannerKeepsAlive, APathThatIsNoRegularFileIsFalseAndNeverBlocks) {
    StandInLaunchctl launchctl;
    const auto fifo = launchctl.folder() / "agent.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    launchctl.describe(guiTarget(), fifo);
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));

    launchctl.describe(guiTarget(), launchctl.folder());
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));

    const auto empty = launchctl.folder() / "empty.plist";
    std::ofstream(empty).flush();
    launchctl.describe(guiTarget(), empty);
    EXPECT_FALSE(LaunchdScanner::keepsAlive(agentPID, agentJobs));
}

}  // namespace
