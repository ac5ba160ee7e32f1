// Running one system tool: what the child gets, what comes back, and what a tool that cannot start
// leaves in the log.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "App/Discovery/ProcessScanner.h"
#include "Platform/SystemLog.h"
#include "Shared/Scan/ProcessScannerParsing.h"
#include "support/TempHome.h"

namespace fs = std::filesystem;
using ProcessScanner::runShell;

namespace {

fs::path writeScript(const fs::path& path, const std::string& body, fs::perms permissions = fs::perms::owner_all) {
    std::ofstream(path, std::ios::binary) << "#!/bin/sh\n" << body;
    fs::permissions(path, permissions);
    return path;
}

TEST(RunShell, AToolThatIsMissingGivesNoTextAndOneLogLine) {
    Platform::LogCapture log;
    EXPECT_EQ(runShell("/nonexistent/vellumark/lsof", {"-a", "-w", "-d", "cwd", "-c", "", "-Fpcn"}), std::nullopt);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Vellumark: shell error running /nonexistent/vellumark/lsof "
                                                    "-a -w -d cwd -c  -Fpcn: No such file or directory"});
}

TEST(RunShell, AToolThatMayNotBeRunGivesNoText) {
    testing_support::TempDir tools;
    const auto tool = writeScript(tools.path() / "ps", "echo never\n", fs::perms::owner_read | fs::perms::owner_write);
    Platform::LogCapture log;
    EXPECT_EQ(runShell(tool.string(), {"-axwwo", "pid="}), std::nullopt);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Vellumark: shell error running " + tool.string() +
                                                    " -axwwo pid=: Permission denied"});
}

TEST(RunShell, TheToolGetsEachArgumentTheCLocaleAndNoStandardErrorComesBack) {
    testing_support::TempDir tools;
    const auto tool = writeScript(tools.path() / "tool",
                                  "for argument in \"$@\"; do printf '[%s]\\n' \"$argument\"; done\n"
                                  "echo \"LC_ALL=$LC_ALL\"\necho 'to standard error' >&2\n");
    Platform::LogCapture log;
    EXPECT_EQ(runShell(tool.string(), {"-c", "", "two words"}), "[-c]\n[]\n[two words]\nLC_ALL=C\n");
    EXPECT_TRUE(log.lines().empty());
}

TEST(RunShell, WhatAFailingToolPrintedIsReturned) {
    EXPECT_EQ(runShell("/bin/sh", {"-c", "printf 'p12\\nn/tmp'; exit 3"}), "p12\nn/tmp");
    EXPECT_EQ(runShell("/bin/sh", {"-c", "exit 1"}), "");
    EXPECT_EQ(runShell("/bin/sh", {"-c", "kill -9 $$"}), "");
}

TEST(RunShell, BytesThatAreNotUTF8SpoilOnlyTheirOwnLine) {
    // ps prints a command line with the bytes the process was given; one of them once hid every
    // server of the machine.
    const auto output = runShell("/bin/sh", {"-c",
                                             "printf '  501   501  0.0  0.1 20480    01:02:03  0:01.50 "
                                             "/usr/bin/caf\\351 --port 3000\\n"
                                             "  502   501  0.0  0.1  1024       05:09  0:00.00 node server.js\\n'"});
    ASSERT_TRUE(output.has_value());
    const auto table = ProcessScannerParsing::parsePS(*output);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at(501).commandLine, "/usr/bin/caf\xEF\xBF\xBD --port 3000");
    EXPECT_EQ(table.at(501).rss, 20480);
    EXPECT_EQ(table.at(502).commandLine, "node server.js");
    EXPECT_EQ(table.at(502).uptimeSeconds, 309);
}

}  // namespace
