// Reading launchctl's text; KeepAlive values are judged through real property lists in LaunchdScannerTests.

#include <gtest/gtest.h>

#include <string>

#include "Shared/Launchd/LaunchdParsing.h"

using namespace LaunchdParsing;

namespace {

// Too few columns, spaces for tabs, an empty, non-numeric or too large pid, an empty or blank label.
TEST(ParseList, KeepsRunningJobsWithALabelAndSkipsMalformedLines) {
    EXPECT_EQ(parseList("PID\tStatus\tLabel\n4312\t0\tcom.example.agent\n-\t0\tcom.example.idle\n"),
              (Jobs{{4312, "com.example.agent"}}));
    EXPECT_TRUE(parseList("4312\t0\n4313 0 com.spaces\n\t0\tcom.no-pid\n12a\t0\tcom.bad-pid\n"
                          "99999999999\t0\tcom.big\n4314\t0\t\t\n4315\t0\t \t \n\n")
                    .empty());
    // Labels are trimmed, extra columns ignored, and a later line for the same pid wins.
    EXPECT_EQ(parseList("7\t0\t  com.trimmed \t\n8\t0\tcom.first\textra\tcolumns\n8\t0\tcom.second\n+9\t0\tcom.plus\n"),
              (Jobs{{7, "com.trimmed"}, {8, "com.second"}, {9, "com.plus"}}));
}

TEST(ParsePlistPath, TheFirstLineThatBeginsWithThePathKey) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"gui/501/x = {\n\tstdout path = /tmp/out\n\ttype = LaunchAgent\n}\n", std::nullopt},
        {"\tpath=/no/spaces\n\tpath =  \n", std::nullopt},
        {"\tstdout path = /tmp/out\n   path =   /spaced/path.plist  \n\tpath = /second\n", "/spaced/path.plist"},
        {"path = /with spaces/in it.plist", "/with spaces/in it.plist"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parsePlistPath(text), expected) << text;
}

}  // namespace
