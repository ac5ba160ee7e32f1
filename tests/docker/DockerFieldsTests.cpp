// The single-field parsers of the docker listing, on the texts real clients print and on the odd
// ones they might.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "Shared/Docker/DockerParsing.h"

using DockerParsing::hostPorts;
using DockerParsing::imageShortName;
using DockerParsing::label;
using DockerParsing::parseRunningFor;
using DockerParsing::syntheticPGID;

namespace {

struct PortsCase {
    std::string text;
    std::vector<int> expected;
    friend void PrintTo(const PortsCase& value, std::ostream* out) { *out << '"' << value.text << '"'; }
};

class HostPortsTest : public testing::TestWithParam<PortsCase> {};

TEST_P(HostPortsTest, GivesPublishedHostPorts) {
    EXPECT_EQ(hostPorts(GetParam().text), GetParam().expected) << "Ports text: " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    PortsTexts, HostPortsTest,
    testing::Values(
        // The same port on IPv4 and IPv6, as older and newer clients print it, counts once.
        PortsCase{"0.0.0.0:3000->3000/tcp, :::3000->3000/tcp", {3000}},
        PortsCase{"0.0.0.0:3000->3000/tcp, [::]:3000->3000/tcp", {3000}},
        PortsCase{"[::]:8080->80/tcp", {8080}},
        PortsCase{"0.0.0.0:8080->80/tcp, 0.0.0.0:443->443/tcp", {443, 8080}},
        PortsCase{"0.0.0.0:443->443/tcp, :::443->443/tcp, 0.0.0.0:8080->80/tcp, :::8080->80/tcp", {443, 8080}},
        // Exposed but not published, ranges, port 0 and the ephemeral range give nothing.
        PortsCase{"5432/tcp", {}},
        PortsCase{"0.0.0.0:8000-8001->8000-8001/tcp", {}},
        PortsCase{"0.0.0.0:0->80/tcp", {}},
        PortsCase{"127.0.0.1:50000->80/tcp", {}},
        PortsCase{"127.0.0.1:49152->80/tcp", {}},
        PortsCase{"127.0.0.1:49151->80/tcp", {49151}},
        PortsCase{"0.0.0.0:1->1/tcp", {1}},
        PortsCase{"5432/tcp, 0.0.0.0:5433->5432/tcp", {5433}},
        PortsCase{"0.0.0.0:53->53/udp", {53}},
        // Malformed pieces are skipped one by one.
        PortsCase{"3000->3000/tcp", {}},
        PortsCase{"0.0.0.0:->80/tcp", {}},
        PortsCase{"0.0.0.0:http->80/tcp", {}},
        PortsCase{"0.0.0.0:99999999999999999999999->80/tcp", {}},
        PortsCase{"0.0.0.0:-80->80/tcp", {}},
        PortsCase{"0.0.0.0:+80->80/tcp", {80}},
        PortsCase{"0.0.0.0: 80->80/tcp", {}},
        PortsCase{"\t 0.0.0.0:3000->3000/tcp \t,,, ,0.0.0.0:3001->3001/tcp", {3000, 3001}},
        PortsCase{"", {}},
        PortsCase{",,,", {}},
        PortsCase{"->", {}},
        // Only the first "->" splits; the host side is what stands before it.
        PortsCase{"0.0.0.0:7000->7000->1/tcp", {7000}}));

TEST(Label, FindsTheComposeWorkingDirectory) {
    const std::string labels =
        "com.docker.compose.project=shop,com.docker.compose.project.working_dir=/Users/u/Development/shop";
    EXPECT_EQ(label(labels, "com.docker.compose.project.working_dir"), "/Users/u/Development/shop");
    // A key that is a prefix of another key matches only itself.
    EXPECT_EQ(label(labels, "com.docker.compose.project"), "shop");
    EXPECT_EQ(label("com.docker.compose.project.working_dir=/x,com.docker.compose.project=shop",
                    "com.docker.compose.project"),
              "shop");
}

TEST(Label, EmptyOrMissingValuesGiveNone) {
    EXPECT_EQ(label("com.docker.compose.project.working_dir=", "com.docker.compose.project.working_dir"),
              std::nullopt);
    EXPECT_EQ(label("maintainer=NGINX", "com.docker.compose.project.working_dir"), std::nullopt);
    EXPECT_EQ(label("", "k"), std::nullopt);
    // The first piece with the key decides, even when its value is empty.
    EXPECT_EQ(label("k=,k=later", "k"), std::nullopt);
    EXPECT_EQ(label("k=first,k=later", "k"), "first");
}

TEST(Label, PiecesAreNotTrimmedAndNeedAnEqualsSign) {
    EXPECT_EQ(label("a=1, k=v", "k"), std::nullopt);
    EXPECT_EQ(label("a=1,k =v", "k"), std::nullopt);
    EXPECT_EQ(label("k,k=v", "k"), "v");
    EXPECT_EQ(label(",,k=v,,", "k"), "v");
    EXPECT_EQ(label("k=v=w", "k"), "v=w");
    EXPECT_EQ(label("k= spaced value ", "k"), " spaced value ");
}

struct RunningForCase {
    std::string text;
    std::optional<std::int64_t> expected;
    friend void PrintTo(const RunningForCase& value, std::ostream* out) { *out << '"' << value.text << '"'; }
};

class RunningForTest : public testing::TestWithParam<RunningForCase> {};

TEST_P(RunningForTest, GivesSeconds) {
    EXPECT_EQ(parseRunningFor(GetParam().text), GetParam().expected) << "RunningFor text: " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    RunningForTexts, RunningForTest,
    testing::Values(
        RunningForCase{"About an hour ago", 3600}, RunningForCase{"About a minute ago", 60},
        RunningForCase{"Less than a second ago", 1}, RunningForCase{"45 seconds ago", 45},
        RunningForCase{"1 second ago", 1}, RunningForCase{"5 minutes ago", 300},
        RunningForCase{"25 hours ago", 90000}, RunningForCase{"3 days ago", 259200},
        RunningForCase{"2 weeks ago", 1209600}, RunningForCase{"3 months ago", 7776000},
        RunningForCase{"2 years ago", 63072000}, RunningForCase{"ABOUT AN HOUR AGO", 3600},
        RunningForCase{"  45   seconds  ago ", 45},
        // A later number or unit replaces an earlier one; an article never replaces a number.
        RunningForCase{"5 minutes 3 seconds", 3}, RunningForCase{"a 5 minutes", 300},
        RunningForCase{"5 a minutes", 300}, RunningForCase{"2 secondsish", 2},
        // Without a number or a unit there is no uptime.
        RunningForCase{"", std::nullopt}, RunningForCase{"ago", std::nullopt}, RunningForCase{"5", std::nullopt},
        RunningForCase{"minutes ago", std::nullopt}, RunningForCase{"5\tminutes", std::nullopt},
        // Too large for 64 bits: no uptime rather than a wrapped value.
        RunningForCase{"9223372036854775807 years ago", std::nullopt},
        RunningForCase{"99999999999999999999 seconds", std::nullopt}));

TEST(SyntheticPGID, IsTheNegatedLow31BitsOfFNV1a) {
    EXPECT_EQ(syntheticPGID(""), -18652613);
    EXPECT_EQ(syntheticPGID("abc"), -440920331);
    // This id hashes to 0x80000000: its low 31 bits are zero, which must not give 0.
    EXPECT_EQ(syntheticPGID("19d2100h"), -1);
    // A full 64-digit id; the value was worked out independently of this code.
    EXPECT_EQ(syntheticPGID("3f4e8a1c9b2d7e6f5a4b3c2d1e0f9a8b7c6d5e4f3a2b1c0d9e8f7a6b5c4d3e2f"), -1447812537);
}

TEST(SyntheticPGID, StaysNegativeAndHashesBytesAsUnsigned) {
    for (const auto& id : std::vector<std::string>{"a", "zz", "\xff\xfe", std::string("\0x", 2), std::string(1000, '7')}) {
        const auto value = syntheticPGID(id);
        EXPECT_LE(value, -1) << id;
        EXPECT_GE(value, -2147483647) << id;
    }
    EXPECT_NE(syntheticPGID(std::string("\0x", 2)), syntheticPGID("x"));
    EXPECT_EQ(syntheticPGID("\xff"), -2047574606);  // a high byte is 0xFF, not a sign-extended -1
}

TEST(ImageShortName, KeepsTheLastPieceWithItsTag) {
    EXPECT_EQ(imageShortName("ghcr.io/acme/web:1.2"), "web:1.2");
    EXPECT_EQ(imageShortName("postgres:16"), "postgres:16");
    EXPECT_EQ(imageShortName("docker.io/library/nginx"), "nginx");
    EXPECT_EQ(imageShortName("localhost:5000/team/app@sha256:abcd"), "app@sha256:abcd");
    EXPECT_EQ(imageShortName("acme/api/"), "api");
    EXPECT_EQ(imageShortName("//acme//api"), "api");
}

TEST(ImageShortName, WithoutPiecesReturnsTheTextItself) {
    EXPECT_EQ(imageShortName("///"), "///");
    EXPECT_EQ(imageShortName("/"), "/");
    EXPECT_EQ(imageShortName(""), "");
}

}  // namespace
