// Running one system tool: what the child gets, what comes back, and what a tool that cannot start
// leaves in the log.

#include <gtest/gtest.h>

#include <fstream>

#include "App/Discovery/ProcessScanner.h"
#include "Platform/SystemLog.h"
#include "Shared/Scan/ProcessScannerParsing.h"
#include "support/TempHome.h"

namespace {

using ProcessScanner::runShell;

TEST(RunShell, AToolThatIsMissingGivesNoTextAndOneLogLine) {
    Platform::LogCapture log;
    EXPECT_EQ(runShell("/nonexistent/vellumark/lsof", {"-a", "-w", "-d", "cwd", "-c", "", "-Fpcn"}), std::nullopt);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Vellumark: shell error running /nonexistent/vellumark/lsof "
                                                    "-a -w -d cwd -c  -Fpcn: No such file or directory"});
}

TEST(RunShell, TheToolGetsEachArgumentAndTheCLocaleAndOnlyItsStandardOutputComesBack) {
    testing_support::TempDir tools;
    std::ofstream(tools.path() / "tool") << "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n"
                                            "echo \"LC_ALL=$LC_ALL\"\necho 'to standard error' >&2\nexit 3\n";
    std::filesystem::permissions(tools.path() / "tool", std::filesystem::perms::owner_all);
    Platform::LogCapture log;
    EXPECT_EQ(runShell((tools.path() / "tool").string(), {"-c", "", "two words"}), "[-c]\n[]\n[two words]\nLC_ALL=C\n");
    EXPECT_EQ(runShell("/bin/sh", {"-c", "kill -9 $$"}), "");
    EXPECT_TRUE(log.lines().empty());
}

TEST(RunShell, BytesThatAreNotUTF8SpoilOnlyTheirOwnLine) {
    // ps prints a command line with the bytes the process was given; one of them once hid every
    // server of the machine.
    const auto output = runShell("/bin/sh", {"-c",
                                             "printf '  501   501  0.0  0.1 20480    01:02:03  0:01.50 "
                                             "/usr/bin/caf\\351 --port 3000\\n"
                                             "  502   501  0.0  0.1  1024       05:09  0:00.00 node server.js\\n'"});
    const auto table = ProcessScannerParsing::parsePS(output.value_or(""));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at(501).commandLine, "/usr/bin/caf\xEF\xBF\xBD --port 3000");
    EXPECT_EQ(table.at(502).commandLine, "node server.js");
    EXPECT_EQ(table.at(502).uptimeSeconds, 309);
}

}  // namespace
