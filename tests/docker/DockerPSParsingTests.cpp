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

std::string fixture(const std::string& name) {
    return testing_support::readTextFile(std::string(DOCKER_FIXTURES) + "/" + name);
}

// What both fixtures hold once unpublished, ranged, ephemeral and paused containers are left out.
std::vector<Container> expectedFromFixture() {
    return {
        Container{.id = "3f4e8a1c9b2d7e6f5a4b3c2d1e0f9a8b7c6d5e4f3a2b1c0d9e8f7a6b5c4d3e2f",
                  .name = "shop-web-1",
                  .image = "ghcr.io/acme/shop-web:1.2",
                  .hostPorts = {3000},
                  .composeWorkingDir = "/home/u/Development/shop",
                  .uptimeSeconds = 300},
        Container{.id = "a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d7e8f90",
                  .name = "redis",
                  .image = "redis:7",
                  .hostPorts = {6379},
                  .composeWorkingDir = std::nullopt,
                  .uptimeSeconds = 7200},
        Container{.id = "c0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ffeec0ff",
                  .name = "gateway",
                  .image = "docker.io/library/nginx:1.25",
                  .hostPorts = {443, 8080},
                  .composeWorkingDir = std::nullopt,
                  .uptimeSeconds = 1209600},
    };
}

TEST(ParsePS, ReadsTheListingOfACurrentClient) {
    EXPECT_EQ(parsePS(fixture("ps-client-28.jsonl")), expectedFromFixture());
}

TEST(ParsePS, ReadsTheListingOfDebiansClient) {
    // This client prints IPv6 host sides as ":::3000" and omits the "Platform" key.
    EXPECT_EQ(parsePS(fixture("ps-client-20.jsonl")), expectedFromFixture());
}

std::string line(const std::string& fields) {
    return "{\"ID\":\"c1\",\"Image\":\"img\",\"Names\":\"n1\",\"Ports\":\"0.0.0.0:3000->3000/tcp\"" + fields + "}";
}

TEST(ParsePS, OnlyRunningOrStatelessContainersAreListed) {
    const auto output = line(",\"State\":\"paused\"") + "\n" + line(",\"State\":\"exited\"") + "\n" +
                        line(",\"State\":\"Running\"") + "\n" + line(",\"State\":\"running \"") + "\n" +
                        line(",\"State\":\"running\"") + "\n" + line("") + "\n" + line(",\"State\":null") + "\n";
    EXPECT_EQ(parsePS(output).size(), 3u);
}

TEST(ParsePS, LinesThatDoNotDecodeAreSkippedAndTheRestStillRead) {
    const std::string output =
        "WARNING: Error loading config file: /home/u/.docker/config.json: permission denied\n" +
        line("") + "\n" +
        "{\"ID\":\"broken\"\n" +                                                   // cut off
        "[" + line("") + "]\n" +                                                   // not an object
        "{\"Image\":\"img\",\"Names\":\"n\",\"Ports\":\"0.0.0.0:1->1/tcp\"}\n" +   // no ID
        "{\"ID\":7,\"Image\":\"img\",\"Names\":\"n\",\"Ports\":\"0.0.0.0:1->1/tcp\"}\n" +  // ID not text
        line(",\"Ports\":3000") + "\n" +                                            // Ports not text
        line(",\"Labels\":{\"a\":\"b\"}") + "\n" +                                  // Labels not text
        line(",\"RunningFor\":[\"5 minutes ago\"]") + "\n" +                        // RunningFor not text
        line(",\"State\":true") + "\n" +                                            // State not text
        line("") + " trailing\n" +                                                  // garbage after the object
        "{\"ID\":\"c2\",\"Image\":\"img\",\"Names\":\"\xff\xfe\",\"Ports\":\"0.0.0.0:1->1/tcp\"}\n" +  // bad UTF-8
        "null\n" +
        "\"text\"\n" +
        "{\"ID\":\"last\",\"Image\":\"img\",\"Names\":\"n2\",\"Ports\":\"0.0.0.0:4000->4000/tcp\"}";
    const auto containers = parsePS(output);
    ASSERT_EQ(containers.size(), 2u);
    EXPECT_EQ(containers[0].id, "c1");
    EXPECT_EQ(containers[1].id, "last");
    EXPECT_EQ(containers[1].hostPorts, std::vector<int>{4000});
}

TEST(ParsePS, ContainersWithoutAPublishedPortAreNotListed) {
    const auto output = std::string("{\"ID\":\"a\",\"Image\":\"postgres:16\",\"Names\":\"db\",\"Ports\":\"5432/tcp\"}\n") +
                        "{\"ID\":\"b\",\"Image\":\"worker\",\"Names\":\"worker\"}\n" +
                        "{\"ID\":\"c\",\"Image\":\"worker\",\"Names\":\"worker\",\"Ports\":\"\"}\n" +
                        "{\"ID\":\"d\",\"Image\":\"web\",\"Names\":\"web\",\"Ports\":\"127.0.0.1:55000->80/tcp\"}\n";
    EXPECT_TRUE(parsePS(output).empty());
}

TEST(ParsePS, OptionalFieldsMayBeMissingAndUnknownKeysAreIgnored) {
    const auto containers = parsePS(
        "{\"ID\":\"c1\",\"Image\":\"acme/web\",\"Names\":\"web,web-alias\",\"Ports\":\"0.0.0.0:3000->3000/tcp\","
        "\"Size\":\"0B\",\"Mounts\":\"\",\"Extra\":{\"nested\":[1,2,3]}}\r\n");
    ASSERT_EQ(containers.size(), 1u);
    EXPECT_EQ(containers[0], (Container{.id = "c1",
                                        .name = "web,web-alias",
                                        .image = "acme/web",
                                        .hostPorts = {3000},
                                        .composeWorkingDir = std::nullopt,
                                        .uptimeSeconds = std::nullopt}));
}

TEST(ParsePS, EmptyOrBlankOutputGivesNoContainers) {
    EXPECT_TRUE(parsePS("").empty());
    EXPECT_TRUE(parsePS("\n\n\n").empty());
    EXPECT_TRUE(parsePS(std::string("\0\0\0", 3)).empty());
}

TEST(ParsePS, ARunningForTextWithoutNumberStillListsTheContainer) {
    const auto containers = parsePS(line(",\"RunningFor\":\"just now\",\"Labels\":\"com.docker.compose.project.working_dir=\""));
    ASSERT_EQ(containers.size(), 1u);
    EXPECT_EQ(containers[0].uptimeSeconds, std::nullopt);
    EXPECT_EQ(containers[0].composeWorkingDir, std::nullopt);
}

}  // namespace
