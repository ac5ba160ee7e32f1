// Reading `docker ps --no-trunc --format '{{json .}}'` listings: the output of two real docker
// clients, and lines that a client, a wrapper or a broken pipe might produce.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Shared/Docker/DockerParsing.h"
#include "docker/support/FakeDockerDaemon.h"

using DockerParsing::Container;
using DockerParsing::parsePS;

namespace {

// Debian's older client prints IPv6 host sides as ":::3000" and omits "Platform"; both listings
// also hold unpublished, ranged, ephemeral and paused containers, which are left out.
TEST(ParsePS, ReadsTheListingsOfRealClients) {
    const std::vector<Container> expected{
        {"3f4e8a1c9b2d7e6f5a4b3c2d1e0f9a8b7c6d5e4f3a2b1c0d9e8f7a6b5c4d3e2f", "shop-web-1",
         "ghcr.io/acme/shop-web:1.2", {3000}, "/home/u/Development/shop", 300},
        {"a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d7e8f90", "redis", "redis:7", {6379},
         std::nullopt, 7200},
        {"c0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ff", "gateway",
         "docker.io/library/nginx:1.25", {443, 8080}, std::nullopt, 1209600},
    };
    for (const char* name : {"ps-client-28.jsonl", "ps-client-20.jsonl"})
        EXPECT_EQ(parsePS(testing_support::readTextFile(std::string(DOCKER_FIXTURES) + "/" + name)), expected) << name;
}

std::string line(const std::string& fields, const std::string& id = "c1") {
    return "{\"ID\":\"" + id + "\",\"Image\":\"img\",\"Names\":\"n1\",\"Ports\":\"0.0.0.0:3000->3000/tcp\"" + fields + "}\n";
}

TEST(ParsePS, OnlyRunningOrStatelessContainersWithAPublishedPortAreListed) {
    const auto output = line(",\"State\":\"paused\"", "paused") + line(",\"State\":\"exited\"", "exited") +
                        line(",\"State\":\"Running\"", "capital") + line(",\"State\":\"running \"", "spaced") + line(",\"State\":\"running\"", "running") +
                        line("", "stateless") + line(",\"State\":null", "null") +
                        line(",\"Ports\":\"5432/tcp\"", "exposed") + line(",\"Ports\":\"\"", "none") +
                        "{\"ID\":\"x\",\"Image\":\"worker\",\"Names\":\"worker\"}\n";
    std::vector<std::string> ids;
    for (const auto& container : parsePS(output)) ids.push_back(container.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"running", "stateless", "null"}));
}

TEST(ParsePS, LinesThatDoNotDecodeAreSkippedAndTheRestStillRead) {
    const std::string output =
        "WARNING: Error loading config file: /home/u/.docker/config.json: permission denied\n" + line("") +
        "{\"ID\":\"broken\"\n" + "[" + line("") + "]\n" +
        "{\"Image\":\"img\",\"Names\":\"n\",\"Ports\":\"0.0.0.0:1->1/tcp\"}\n" +   // no ID
        line("", "7").replace(6, 3, "7") +                                            // ID not text
        line(",\"Ports\":3000") + line(",\"Labels\":{\"a\":\"b\"}") + line(",\"RunningFor\":[\"5 minutes ago\"]") +
        line(",\"State\":true") + line("").insert(line("").size() - 1, " trailing") +
        "{\"ID\":\"c2\",\"Image\":\"img\",\"Names\":\"\xff\xfe\",\"Ports\":\"0.0.0.0:1->1/tcp\"}\n" +  // bad UTF-8
        "null\n\"text\"\n\n" + std::string("\0\0\0\n", 4) +
        "{\"ID\":\"last\",\"Image\":\"img\",\"Names\":\"n1\",\"Ports\":\"0.0.0.0:3000->3000/tcp\",\"Size\":\"0B\","
        "\"Extra\":{\"nested\":[1,2,3]},\"RunningFor\":\"just now\",\"Labels\":\"k=v\"}\r\n";
    const auto containers = parsePS(output);
    ASSERT_EQ(containers.size(), 2u);
    EXPECT_EQ(containers[0].id, "c1");
    // Unknown keys are ignored; a RunningFor without a number and no compose label leave those unset.
    EXPECT_EQ(containers[1], (Container{"last", "n1", "img", {3000}, std::nullopt, std::nullopt}));
    EXPECT_TRUE(parsePS("").empty());
}

}  // namespace
