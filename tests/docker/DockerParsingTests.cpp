// Reading `docker ps --no-trunc --format '{{json .}}'` listings: the output of two real clients,
// lines a client, a wrapper or a broken pipe might produce, and each field on its own.

#include <gtest/gtest.h>

#include "Platform/AtomicFile.h"
#include "Shared/Docker/DockerParsing.h"

using namespace DockerParsing;

namespace {

// Debian's older client prints IPv6 host sides as ":::3000" and omits "Platform"; both listings
// also hold unpublished, ranged, ephemeral and paused containers, which are left out.
TEST(ParsePS, ReadsTheListingsOfRealClients) {
    const std::vector<Container> expected{
        {"3f4e8a1c9b2d7e6f5a4b3c2d1e0f9a8b7c6d5e4f3a2b1c0d9e8f7a6b5c4d3e2f",
         "shop-web-1",
         "ghcr.io/acme/shop-web:1.2",
         {3000},
         "/home/u/Development/shop",
         300},
        {"a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d7e8f90",
         "redis",
         "redis:7",
         {6379},
         std::nullopt,
         7200},
        {"c0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ff",
         "gateway",
         "docker.io/library/nginx:1.25",
         {443, 8080},
         std::nullopt,
         1209600},
    };
    for (const char* name : {"/ps-client-28.jsonl", "/ps-client-20.jsonl"})
        EXPECT_EQ(parsePS(Platform::readWholeFile(std::string(DOCKER_FIXTURES) + name, 1 << 20).value()), expected)
            << name;
}

std::string line(const std::string& fields, const std::string& id = "c1") {
    return "{\"ID\":\"" + id + "\",\"Image\":\"img\",\"Names\":\"n1\",\"Ports\":\"0.0.0.0:3000->3000/tcp\"" + fields +
           "}\n";
}

TEST(ParsePS, OnlyRunningOrStatelessContainersWithAPublishedPortAndLinesThatDecodeAreRead) {
    const std::string output =
        line(",\"State\":\"paused\"") + line(",\"State\":\"Running\"") + line(",\"State\":\"running \"") +
        line(",\"State\":\"running\"", "running") + line(",\"State\":null", "null") + line(",\"Ports\":\"5432/tcp\"") +
        "{\"ID\":\"x\",\"Image\":\"worker\",\"Names\":\"worker\"}\n" +
        "WARNING: Error loading config file: /home/u/.docker/config.json: permission denied\n" + line("") +
        "{\"ID\":\"broken\"\n" + "[" + line("") + "]\n" + line("", "7").replace(6, 3, "7") +  // ID not text
        "{\"Image\":\"img\",\"Names\":\"n\",\"Ports\":\"0.0.0.0:1->1/tcp\"}\n" + line(",\"Ports\":3000") +
        line(",\"Labels\":{\"a\":\"b\"}") + line(",\"RunningFor\":[\"5 minutes ago\"]") + line(",\"State\":true") +
        "{\"ID\":\"c2\",\"Image\":\"img\",\"Names\":\"\xff\xfe\",\"Ports\":\"0.0.0.0:1->1/tcp\"}\n" +  // not UTF-8
        "null\n\"text\"\n\n" + std::string("\0\0\0\n", 4) +
        "{\"ID\":\"last\",\"Image\":\"img\",\"Names\":\"n1\",\"Ports\":\"0.0.0.0:3000->3000/tcp\",\"Size\":\"0B\","
        "\"Extra\":{\"nested\":[1,2,3]},\"RunningFor\":\"just now\",\"Labels\":\"k=v\"}\r\n";
    // Unknown keys are ignored; a RunningFor without a number and no compose label leave those unset.
    std::vector<Container> expected;
    for (const char* id : {"running", "null", "c1", "last"}) expected.push_back({id, "n1", "img", {3000}, {}, {}});
    EXPECT_EQ(parsePS(output), expected);
}

TEST(DockerFields, HostPortsArePublishedDistinctAndBelowTheEphemeralRange) {
    const std::pair<const char*, std::vector<int>> cases[] = {
        // The same port on IPv4 and IPv6, as older and newer clients print it, counts once.
        {"0.0.0.0:3000->3000/tcp, :::3000->3000/tcp", {3000}},
        {"0.0.0.0:3000->3000/tcp, [::]:3000->3000/tcp", {3000}},
        {"0.0.0.0:8080->80/tcp, 0.0.0.0:443->443/tcp", {443, 8080}},
        {"5432/tcp, 0.0.0.0:5433->5432/tcp", {5433}},
        // Exposed but not published, ranges, port 0 and the ephemeral range give nothing.
        {"5432/tcp", {}},
        {"0.0.0.0:8000-8001->8000-8001/tcp", {}},
        {"0.0.0.0:0->80/tcp", {}},
        {"127.0.0.1:49152->80/tcp", {}},
        {"127.0.0.1:49151->80/tcp", {49151}},
        {"0.0.0.0:53->53/udp", {53}},
        // Malformed pieces are skipped one by one; only the first "->" splits.
        {"3000->3000/tcp", {}},
        {"0.0.0.0:http->80/tcp", {}},
        {"0.0.0.0:99999999999999999999999->80/tcp", {}},
        {"0.0.0.0:-80->80/tcp", {}},
        {"0.0.0.0: 80->80/tcp", {}},
        {"", {}},
        {"->", {}},
        {"\t 0.0.0.0:3000->3000/tcp \t,,, ,0.0.0.0:3001->3001/tcp", {3000, 3001}},
        {"0.0.0.0:7000->7000->1/tcp", {7000}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(hostPorts(text), expected) << '"' << text << '"';
}

TEST(DockerFields, LabelValueOfTheFirstPieceWithTheExactKey) {
    const std::string key = "com.docker.compose.project.working_dir";
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"com.docker.compose.project=shop," + key + "=/Users/u/shop", "/Users/u/shop"},
        {key + "=", std::nullopt},
        {"maintainer=NGINX", std::nullopt},
        {"", std::nullopt},
        {"a=1, " + key + "=/x", std::nullopt},
        {key + " =/x", std::nullopt},  // pieces are not trimmed
        {key + "=," + key + "=/x", std::nullopt},
        {",," + key + "," + key + "=/x=y,", "/x=y"},
        {key + "= a ", " a "},
    };
    for (const auto& [labels, expected] : cases) EXPECT_EQ(label(labels, key), expected) << labels;
    // A key that is a prefix of another key matches only itself.
    EXPECT_EQ(label(key + "=/x,com.docker.compose.project=shop", "com.docker.compose.project"), "shop");
}

TEST(DockerFields, RunningForGivesSeconds) {
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"About an hour ago", 3600},
        {"About a minute ago", 60},
        {"Less than a second ago", 1},
        {"45 seconds ago", 45},
        {"5 minutes ago", 300},
        {"25 hours ago", 90000},
        {"3 days ago", 259200},
        {"2 weeks ago", 1209600},
        {"3 months ago", 7776000},
        {"2 years ago", 63072000},
        {"ABOUT AN HOUR AGO", 3600},
        {"  45   seconds  ago ", 45},
        // A later number or unit replaces an earlier one; an article never replaces a number.
        {"5 minutes 3 seconds", 3},
        {"5 a minutes", 300},
        // Without a number or a unit, or beyond 64 bits, there is no uptime.
        {"", std::nullopt},
        {"ago", std::nullopt},
        {"5", std::nullopt},
        {"minutes ago", std::nullopt},
        {"5\tminutes", std::nullopt},
        {"9223372036854775807 years ago", std::nullopt},
        {"99999999999999999999 seconds", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parseRunningFor(text), expected) << '"' << text << '"';
}

TEST(DockerFields, SyntheticPGIDIsTheNegatedLow31BitsOfFNV1aAndImageNamesKeepTheirTag) {
    const std::pair<std::string, std::int32_t> ids[] = {
        {"", -18652613},
        {"abc", -440920331},
        {"\xff", -2047574606},  // bytes hash as unsigned
        {"19d2100h", -1},       // hashes to 0x80000000, whose low 31 bits must not give 0
        {"3f4e8a1c9b2d7e6f5a4b3c2d1e0f9a8b7c6d5e4f3a2b1c0d9e8f7a6b5c4d3e2f", -1447812537},
    };
    for (const auto& [id, expected] : ids) EXPECT_EQ(syntheticPGID(id), expected) << id;
    EXPECT_NE(syntheticPGID(std::string("\0x", 2)), syntheticPGID("x"));

    const std::pair<const char*, const char*> images[] = {
        {"ghcr.io/acme/web:1.2", "web:1.2"},
        {"postgres:16", "postgres:16"},
        {"acme/api/", "api"},
        {"//acme//api", "api"},
        {"localhost:5000/team/app@sha256:abcd", "app@sha256:abcd"},
        {"///", "///"},
        {"", ""},  // no piece: the text
    };
    for (const auto& [image, expected] : images) EXPECT_EQ(imageShortName(image), expected) << image;
}

}  // namespace
