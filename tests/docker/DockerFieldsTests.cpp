// The single-field parsers of the docker listing, on the texts real clients print and odd ones.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Shared/Docker/DockerParsing.h"

using namespace DockerParsing;

namespace {

TEST(DockerFields, HostPortsArePublishedDistinctAndBelowTheEphemeralRange) {
    const std::pair<const char*, std::vector<int>> cases[] = {
        // The same port on IPv4 and IPv6, as older and newer clients print it, counts once.
        {"0.0.0.0:3000->3000/tcp, :::3000->3000/tcp", {3000}},
        {"0.0.0.0:3000->3000/tcp, [::]:3000->3000/tcp", {3000}},
        {"0.0.0.0:8080->80/tcp, 0.0.0.0:443->443/tcp", {443, 8080}},
        // Exposed but not published, ranges, port 0 and the ephemeral range give nothing.
        {"5432/tcp", {}}, {"0.0.0.0:8000-8001->8000-8001/tcp", {}}, {"0.0.0.0:0->80/tcp", {}},
        {"127.0.0.1:50000->80/tcp", {}}, {"127.0.0.1:49152->80/tcp", {}}, {"127.0.0.1:49151->80/tcp", {49151}},
        {"5432/tcp, 0.0.0.0:5433->5432/tcp", {5433}}, {"0.0.0.0:53->53/udp", {53}},
        // Malformed pieces are skipped one by one; only the first "->" splits.
        {"3000->3000/tcp", {}}, {"0.0.0.0:http->80/tcp", {}}, {"0.0.0.0:99999999999999999999999->80/tcp", {}},
        {"0.0.0.0:-80->80/tcp", {}}, {"0.0.0.0: 80->80/tcp", {}}, {"", {}}, {"->", {}},
        {"\t 0.0.0.0:3000->3000/tcp \t,,, ,0.0.0.0:3001->3001/tcp", {3000, 3001}},
        {"0.0.0.0:7000->7000->1/tcp", {7000}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(hostPorts(text), expected) << '"' << text << '"';
}

TEST(DockerFields, LabelValueOfTheFirstPieceWithTheExactKey) {
    const std::string compose =
        "com.docker.compose.project=shop,com.docker.compose.project.working_dir=/Users/u/Development/shop";
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {compose, "/Users/u/Development/shop"},
        {"com.docker.compose.project.working_dir=", std::nullopt},
        {"maintainer=NGINX", std::nullopt},
        {"", std::nullopt},
        {"a=1, com.docker.compose.project.working_dir=/x", std::nullopt},  // pieces are not trimmed
        {"com.docker.compose.project.working_dir =/x", std::nullopt},
        {"com.docker.compose.project.working_dir=,com.docker.compose.project.working_dir=/x", std::nullopt},
        {",,com.docker.compose.project.working_dir,com.docker.compose.project.working_dir=/x=y,", "/x=y"},
        {"com.docker.compose.project.working_dir= spaced ", " spaced "},
    };
    for (const auto& [labels, expected] : cases)
        EXPECT_EQ(label(labels, "com.docker.compose.project.working_dir"), expected) << labels;
    // A key that is a prefix of another key matches only itself.
    EXPECT_EQ(label(compose, "com.docker.compose.project"), "shop");
    EXPECT_EQ(label("com.docker.compose.project.working_dir=/x,com.docker.compose.project=shop",
                    "com.docker.compose.project"), "shop");
}

TEST(DockerFields, RunningForGivesSeconds) {
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"About an hour ago", 3600}, {"About a minute ago", 60}, {"Less than a second ago", 1},
        {"45 seconds ago", 45}, {"5 minutes ago", 300}, {"25 hours ago", 90000}, {"3 days ago", 259200},
        {"2 weeks ago", 1209600}, {"3 months ago", 7776000}, {"2 years ago", 63072000},
        {"ABOUT AN HOUR AGO", 3600}, {"  45   seconds  ago ", 45},
        // A later number or unit replaces an earlier one; an article never replaces a number.
        {"5 minutes 3 seconds", 3}, {"5 a minutes", 300},
        // Without a number or a unit, or beyond 64 bits, there is no uptime.
        {"", std::nullopt}, {"ago", std::nullopt}, {"5", std::nullopt}, {"minutes ago", std::nullopt},
        {"5\tminutes", std::nullopt}, {"9223372036854775807 years ago", std::nullopt},
        {"99999999999999999999 seconds", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parseRunningFor(text), expected) << '"' << text << '"';
}

TEST(DockerFields, SyntheticPGIDIsTheNegatedLow31BitsOfFNV1a) {
    EXPECT_EQ(syntheticPGID(""), -18652613);
    EXPECT_EQ(syntheticPGID("abc"), -440920331);
    EXPECT_EQ(syntheticPGID("19d2100h"), -1) << "hashes to 0x80000000, whose low 31 bits must not give 0";
    EXPECT_EQ(syntheticPGID("\xff"), -2047574606) << "bytes hash as unsigned";
    EXPECT_EQ(syntheticPGID("3f4e8a1c9b2d7e6f5a4b3c2d1e0f9a8b7c6d5e4f3a2b1c0d9e8f7a6b5c4d3e2f"), -1447812537);
    EXPECT_NE(syntheticPGID(std::string("\0x", 2)), syntheticPGID("x"));
}

TEST(DockerFields, ImageShortNameKeepsTheLastPieceWithItsTag) {
    const std::pair<const char*, const char*> cases[] = {
        {"ghcr.io/acme/web:1.2", "web:1.2"}, {"postgres:16", "postgres:16"},
        {"localhost:5000/team/app@sha256:abcd", "app@sha256:abcd"}, {"acme/api/", "api"}, {"//acme//api", "api"},
        {"///", "///"}, {"", ""},  // without pieces, the text itself
    };
    for (const auto& [image, expected] : cases) EXPECT_EQ(imageShortName(image), expected) << image;
}

}  // namespace
