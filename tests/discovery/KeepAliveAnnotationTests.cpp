// Marking background services that launchd keeps alive, with a stand-in launchctl that lists jobs,
// describes them and records every call.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include <unistd.h>

#include "App/Discovery/ProcessScanner.h"
#include "App/Launchd/LaunchdScanner.h"
#include "support/TempHome.h"

namespace {

DevServer server(std::int32_t pid, int port) {
    return {pid, pid, {pid}, "ollama", {port}, {}, 0, 0, 1024, "/usr/local/bin/ollama serve", {}, {}, {}, {}};
}

TEST(KeepAliveAnnotation, MarksOnlyTheServersOfBackgroundServicesAfterOneListing) {
    testing_support::TempDir tools;
    const std::string folder = tools.path().string();
    std::ofstream(tools.path() / "kept.plist") << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                                                  "<dict><key>KeepAlive</key><true/></dict></plist>\n";
    // Job 100 is kept alive, and so is 400, which is also the server of a project folder.
    std::ofstream(tools.path() / "launchctl")
        << "#!/bin/sh\necho \"$*\" >> '" << folder << "/calls'\ncase \"$1 $2\" in\n"
        << "  'list ') printf 'PID\\tStatus\\tLabel\\n100\\t0\\tcom.example.kept\\n400\\t0\\tcom.example.folder\\n' ;;\n"
        << "  'print gui/" << ::getuid() << "/com.example.kept'|'print gui/" << ::getuid()
        << "/com.example.folder') echo 'path = " << folder << "/kept.plist' ;;\n"
        << "  *) exit 113 ;;\nesac\n";
    std::filesystem::permissions(tools.path() / "launchctl", std::filesystem::perms::owner_all);
    LaunchdScanner::Testing::setLaunchctlPath((tools.path() / "launchctl").string());

    std::vector<DevProject> projects{{"web", "/u/Development/web", {server(400, 3000)}}};
    EXPECT_EQ(ProcessScanner::annotateKeepAlive(projects), projects);
    EXPECT_FALSE(std::filesystem::exists(tools.path() / "calls")) << "no background services: launchctl is not run";

    projects.push_back({"ollama", "service://ollama", {server(100, 11434), server(500, 11436)}});
    auto expected = projects;
    expected[1].servers[0].keptAlive = true;
    expected[1].servers[1].keptAlive = false;  // not the main process of any job
    EXPECT_EQ(ProcessScanner::annotateKeepAlive(projects), expected) << "the folder's server stays unmarked";
    std::ifstream calls(tools.path() / "calls");
    std::vector<std::string> made;
    for (std::string line; std::getline(calls, line);) made.push_back(line);
    EXPECT_EQ(std::ranges::count(made, "list"), 1);
    LaunchdScanner::Testing::setLaunchctlPath(std::nullopt);
}

}  // namespace
