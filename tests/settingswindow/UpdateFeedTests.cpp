// Reading the update feed, which comes from the network: any bytes give a feed or a sentence, never
// a crash; and version numbers compared as numbers.

#include <gtest/gtest.h>

#include <string>

#include "Core/Updates/UpdateFeed.h"
#include "Core/Updates/VersionNumber.h"

namespace {

using Kind = UpdateCheckResult::Kind;

VersionNumber version(const char* text) { return VersionNumber::parse(text).value(); }

TEST(VersionNumber, ComparesComponentsAsWholeNumbers) {
    EXPECT_GT(version("1.10"), version("1.9"));
    EXPECT_GT(version("2.0"), version("1.99.99"));
    EXPECT_EQ(version("1.2"), version("1.2.0.0"));
    EXPECT_EQ(version("01.002"), version("1.2"));
    EXPECT_LT(version("1.2"), version("1.2.1"));
    EXPECT_GT(version("1.123456789012345678901234567890"), version("1.99999999999999999999"));
    for (const char* bad : {"", "1.", ".1", "1..2", "v1.2", "1.2-beta", " 1.2", "1,2", "one"})
        EXPECT_FALSE(VersionNumber::parse(bad)) << bad;
}

TEST(UpdateFeed, TellsNewerSameOrWhatIsWrongWithTheBytes) {
    const UpdateCheckResult newer =
        judgeUpdateFeed(R"({"version": "0.10.0", "url": "https://example.org/v"})", "0.9.3");
    EXPECT_EQ(newer.kind, Kind::newerVersion);
    EXPECT_EQ(newer.latestVersion, "0.10.0");
    EXPECT_EQ(newer.url, "https://example.org/v");
    EXPECT_EQ(judgeUpdateFeed(R"({"version": "0.9.3", "url": "http://x.org", "notes": 1})", "0.9.3").kind,
              Kind::upToDate);
    EXPECT_EQ(judgeUpdateFeed(R"({"version": "0.9", "url": "http://x.org"})", "0.9.3").kind, Kind::upToDate);

    const std::pair<const char*, const char*> broken[] = {
        {"", "The update feed is not valid JSON."},
        {"{\"version\": \"1.0\", ", "The update feed is not valid JSON."},
        {"<html>502 Bad Gateway</html>", "The update feed is not valid JSON."},
        {"[\"1.0\"]", "The update feed is not a JSON object."},
        {R"({"url": "https://x.org"})", "The update feed has no “version” text."},
        {R"({"version": 2, "url": "https://x.org"})", "The update feed has no “version” text."},
        {R"({"version": "2.0"})", "The update feed has no “url” text."},
        {R"({"version": "latest", "url": "https://x.org"})",
         "The update feed’s version “latest” is not a version number."},
        {R"({"version": "2.0", "url": "file:///etc/passwd"})", "The update feed’s “url” is not a web address."},
        {R"x({"version": "2.0", "url": "javascript:alert(1)"})x", "The update feed’s “url” is not a web address."},
        {R"({"version": "2.0", "url": "https://x.org/a b"})", "The update feed’s “url” is not a web address."},
        {"{\"version\": \"2.0\", \"url\": \"https://x.org/\xff\"}", "The update feed is not valid JSON."},
        // What the feed says is quoted on one line, so it cannot forge a line of the log, and short.
        {R"({"version": "1.0\nVellumark: \u0085update installed", "url": "https://x.org"})",
         "The update feed’s version “1.0Vellumark: update installed” is not a version number."},
        {R"({"version": "éééééééééééééééééééééééééééééééééééééééééééééééééé", "url": "https://x.org"})",
         "The update feed’s version “éééééééééééééééééééééééééééééééééééééééé…” is not a version number."},
    };
    for (const auto& [bytes, problem] : broken) {
        const UpdateCheckResult result = judgeUpdateFeed(bytes, "1.0");
        EXPECT_EQ(result.kind, Kind::failed) << bytes;
        EXPECT_EQ(result.problem, problem) << bytes;
    }
    EXPECT_EQ(judgeUpdateFeed(R"({"version": "2.0", "url": "https://x.org"})", "").problem,
              "This build’s own version “” is not a version number.");
}

// Random bytes are the fuzz target's (fuzz/UpdateFeedFuzzer.cpp); nesting deeper than it tries here.
TEST(UpdateFeed, DeepNestingGivesASentence) {
    for (const char open : {'[', '{'}) {
        const UpdateCheckResult result = judgeUpdateFeed(std::string(100000, open), "1.0");
        EXPECT_EQ(result.kind, Kind::failed);
        EXPECT_EQ(result.problem, "The update feed is not valid JSON.");
    }
}

}  // namespace
