// Marking background services that launchd keeps alive, with a stand-in launchctl that lists jobs,
// describes them and records every call.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "App/Discovery/ProcessScanner.h"
#include "App/Launchd/LaunchdScanner.h"
#include "Platform/SystemLog.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;

namespace {

DevServer server(std::int32_t pid, int port) {
    DevServer result;
    result.pid = pid;
    result.pgid = pid;
    result.groupPIDs = {pid};
    result.command = "ollama";
    result.ports = {port};
    result.rss = 1024;
    result.commandLine = "/usr/local/bin/ollama serve";
    return result;
}

std::string plist(const std::string& keepAlive) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>Label</key><string>x</string>" +
           keepAlive + "</dict></plist>\n";
}

class KeepAliveAnnotation : public testing::Test {
protected:
    void SetUp() override {
        std::ofstream(tools.path() / "kept.plist") << plist("<key>KeepAlive</key><true/>");
        std::ofstream(tools.path() / "conditional.plist")
            << plist("<key>KeepAlive</key><dict><key>SuccessfulExit</key><false/></dict>");
        std::ofstream(tools.path() / "plain.plist") << plist("<key>KeepAlive</key><false/>");
    }
    void TearDown() override { LaunchdScanner::Testing::setLaunchctlPath(std::nullopt); }

    // Jobs 100 (kept alive), 200 (plain), 300 (conditional keep-alive, known only system-wide) and
    // 400 (a pid that is also a server of a project folder).
    void useLaunchctl(const std::string& listing) {
        const auto tool = tools.path() / "launchctl";
        const auto folder = tools.path().string();
        std::ofstream(tool) << "#!/bin/sh\necho \"$*\" >> '" << callsPath().string() << "'\n"
                            << "case \"$1 $2\" in\n"
                            << "  'list ') printf '" << listing << "' ;;\n"
                            << "  'print gui/" << getuid() << "/com.example.kept') printf '\\tpath = " << folder
                            << "/kept.plist\\n' ;;\n"
                            << "  'print gui/" << getuid() << "/com.example.plain') printf 'path = " << folder
                            << "/plain.plist\\n' ;;\n"
                            << "  'print gui/" << getuid() << "/com.example.folder') printf 'path = " << folder
                            << "/kept.plist\\n' ;;\n"
                            << "  'print system/com.example.system') printf 'path = " << folder
                            << "/conditional.plist\\n' ;;\n"
                            << "  *) exit 113 ;;\nesac\n";
        fs::permissions(tool, fs::perms::owner_all);
        LaunchdScanner::Testing::setLaunchctlPath(tool.string());
    }
    static std::string fullListing() {
        return "PID\\tStatus\\tLabel\\n100\\t0\\tcom.example.kept\\n200\\t0\\tcom.example.plain\\n"
               "300\\t0\\tcom.example.system\\n400\\t0\\tcom.example.folder\\n-\\t0\\tcom.example.idle\\n";
    }

    fs::path callsPath() const { return tools.path() / "calls.txt"; }
    std::vector<std::string> calls() const {
        std::vector<std::string> lines;
        std::ifstream file(callsPath());
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }

    std::vector<DevProject> projects() const {
        return {
            DevProject{"web", "/u/Development/web", {server(400, 3000)}},
            DevProject{"ollama", "service://ollama", {server(100, 11434), server(200, 11435), server(500, 11436)}},
            DevProject{"postgres", "service://postgres", {server(300, 5432)}},
        };
    }

    testing_support::TempDir tools;
};

TEST_F(KeepAliveAnnotation, MarksEveryServerOfTheBackgroundServices) {
    useLaunchctl(fullListing());
    auto expected = projects();
    expected[1].servers[0].keptAlive = true;
    expected[1].servers[1].keptAlive = false;
    expected[1].servers[2].keptAlive = false;  // not the main process of any job
    expected[2].servers[0].keptAlive = true;   // found in the system domain
    // The project folder's server stays unmarked, although its pid is a kept-alive job.
    EXPECT_EQ(ProcessScanner::annotateKeepAlive(projects()), expected);
    const auto made = calls();
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(made[0], "list");
    EXPECT_EQ(std::count(made.begin(), made.end(), "list"), 1);
}

TEST_F(KeepAliveAnnotation, WithoutBackgroundServicesLaunchctlIsNotRun) {
    useLaunchctl(fullListing());
    const std::vector<DevProject> input{projects()[0]};
    EXPECT_EQ(ProcessScanner::annotateKeepAlive(input), input);
    EXPECT_EQ(ProcessScanner::annotateKeepAlive({}), std::vector<DevProject>{});
    EXPECT_TRUE(calls().empty());
}

TEST_F(KeepAliveAnnotation, WithoutJobsNothingIsMarked) {
    useLaunchctl("PID\\tStatus\\tLabel\\n-\\t0\\tcom.example.idle\\n");
    EXPECT_EQ(ProcessScanner::annotateKeepAlive(projects()), projects());
    EXPECT_EQ(calls(), std::vector<std::string>{"list"});
}

TEST_F(KeepAliveAnnotation, AMissingLaunchctlIsLoggedAndMarksNothing) {
    LaunchdScanner::Testing::setLaunchctlPath((tools.path() / "missing/launchctl").string());
    Platform::LogCapture log;
    EXPECT_EQ(ProcessScanner::annotateKeepAlive(projects()), projects());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Vellumark: launchctl error (list): No such file or directory"});
}

}  // namespace
