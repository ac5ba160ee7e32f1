// Reading launchctl's text and judging KeepAlive values of every property-list type.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Shared/Launchd/LaunchdParsing.h"

using LaunchdParsing::Jobs;
using LaunchdParsing::keepsAlive;
using LaunchdParsing::parseList;
using LaunchdParsing::parsePlistPath;

namespace {

std::string fixture(const std::string& name) {
    std::ifstream file(std::string(LAUNCHD_FIXTURES) + "/" + name, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

TEST(ParseList, KeepsRunningJobsOnly) {
    EXPECT_EQ(parseList("PID\tStatus\tLabel\n4312\t0\tcom.example.agent\n-\t0\tcom.example.idle\n"),
              (Jobs{{4312, "com.example.agent"}}));
}

TEST(ParseList, ReadsAListing) {
    // The listing holds a job with a blank label, which is skipped.
    EXPECT_EQ(parseList(fixture("list.txt")),
              (Jobs{{612, "com.apple.Finder"}, {4312, "com.example.agent"}, {9021, "com.example.killed-once"}}));
}

TEST(ParseList, SkipsMalformedLines) {
    const std::string text =
        "4312\t0\n"                 // too few columns
        "4313 0 com.spaces\n"       // not tab-separated
        "\t0\tcom.no-pid\n"         // empty pid
        "12a\t0\tcom.bad-pid\n"     // not a number
        "99999999999\t0\tcom.big\n" // beyond 32 bits
        "4314\t0\t\t\n"             // empty label
        "4315\t0\t \t \n"           // blank label
        "\n\n";
    EXPECT_TRUE(parseList(text).empty());
}

TEST(ParseList, TrimsLabelsIgnoresExtraColumnsAndLetsLaterLinesWin) {
    EXPECT_EQ(parseList("7\t0\t  com.trimmed \t\n8\t0\tcom.first\textra\tcolumns\n8\t0\tcom.second\n+9\t0\tcom.plus\n"),
              (Jobs{{7, "com.trimmed"}, {8, "com.second"}, {9, "com.plus"}}));
    EXPECT_TRUE(parseList("").empty());
}

TEST(ParsePlistPath, FindsTheIndentedPathLine) {
    EXPECT_EQ(parsePlistPath("gui/501/x = {\n\tpath = /Users/a/Library/LaunchAgents/x.plist\n}\n"),
              "/Users/a/Library/LaunchAgents/x.plist");
    EXPECT_EQ(parsePlistPath(fixture("print-agent.txt")), "@PLIST@");
}

TEST(ParsePlistPath, OnlyALineThatBeginsWithThePathKeyCounts) {
    EXPECT_EQ(parsePlistPath("gui/501/x = {\n\tstdout path = /tmp/out\n\ttype = LaunchAgent\n}\n"), std::nullopt);
    EXPECT_EQ(parsePlistPath("\tpath=/no/spaces\n\tpath =  \n"), std::nullopt);
    EXPECT_EQ(parsePlistPath(""), std::nullopt);
    EXPECT_EQ(parsePlistPath("\tstdout path = /tmp/out\n   path =   /spaced/path.plist  \n\tpath = /second\n"),
              "/spaced/path.plist");
    EXPECT_EQ(parsePlistPath("path = /with spaces/in it.plist"), "/with spaces/in it.plist");
}

struct PlistFree {
    void operator()(void* node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, PlistFree>;

TEST(KeepsAlive, BooleansAndNumbersByValue) {
    EXPECT_FALSE(keepsAlive(nullptr));
    EXPECT_TRUE(keepsAlive(Node(plist_new_bool(1)).get()));
    EXPECT_FALSE(keepsAlive(Node(plist_new_bool(0)).get()));
    EXPECT_TRUE(keepsAlive(Node(plist_new_uint(1)).get()));
    EXPECT_FALSE(keepsAlive(Node(plist_new_uint(0)).get()));
    EXPECT_TRUE(keepsAlive(Node(plist_new_uint(static_cast<std::uint64_t>(-1))).get()));
    EXPECT_TRUE(keepsAlive(Node(plist_new_real(0.5)).get()));
    EXPECT_FALSE(keepsAlive(Node(plist_new_real(0.0)).get()));
}

TEST(KeepsAlive, AnyDictionaryCounts) {
    Node empty(plist_new_dict());
    EXPECT_TRUE(keepsAlive(empty.get()));
    Node conditional(plist_new_dict());
    plist_dict_set_item(conditional.get(), "SuccessfulExit", plist_new_bool(0));
    EXPECT_TRUE(keepsAlive(conditional.get()));
}

TEST(KeepsAlive, OtherTypesDoNot) {
    EXPECT_FALSE(keepsAlive(Node(plist_new_string("true")).get()));
    EXPECT_FALSE(keepsAlive(Node(plist_new_string("1")).get()));
    Node array(plist_new_array());
    plist_array_append_item(array.get(), plist_new_bool(1));
    EXPECT_FALSE(keepsAlive(array.get()));
    EXPECT_FALSE(keepsAlive(Node(plist_new_date(10, 0)).get()));
    EXPECT_FALSE(keepsAlive(Node(plist_new_data("\x01", 1)).get()));
    EXPECT_FALSE(keepsAlive(Node(plist_new_uid(1)).get()));
}

}  // namespace
