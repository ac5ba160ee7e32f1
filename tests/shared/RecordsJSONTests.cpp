#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <string>

#include "Platform/JSONNesting.h"
#include "Shared/ProcessSnapshot.h"

namespace {

using nlohmann::json;
using namespace std::chrono;

const Platform::Date sampleTime = sys_days{year{2026} / December / 5} + hours{20} + minutes{18} + seconds{14};

DevServer makeServer() {
    DevServer s;
    s.pid = s.pgid = 12, s.groupPIDs = {12, 13}, s.command = "node", s.ports = {3000, 5173}, s.uptimeSeconds = 3725;
    s.cpu = 12.5, s.mem = 1.25, s.rss = 52428800, s.commandLine = "node server.js", s.cwd = "/home/dev/shop";
    return s;
}
DevServer makeContainer() {
    DevServer s;
    s.pid = s.pgid = -1867, s.command = "postgres", s.ports = {5432}, s.commandLine = "docker: shop-db — postgres:16";
    s.containerID = "3f2a9c1b7d0e", s.containerName = "shop-db", s.keptAlive = false;
    return s;
}
// 32-bit ids at both ends, no ports, text that needs escaping.
DevServer makeBare() {
    DevServer s;
    s.pid = std::numeric_limits<std::int32_t>::max(), s.pgid = std::numeric_limits<std::int32_t>::min();
    s.groupPIDs = {1, 2147483647}, s.command = "python3 ✓ \"quoted\"\n", s.cpu = 250.75;
    return s;
}
const DevServer server = makeServer(), container = makeContainer();
const ProcessSnapshot sample{
    sampleTime,
    {DevProject{"shop", "/home/dev/shop", {server, container}},
     DevProject{"launchd", "service://postgres", {makeBare()}}, DevProject{"empty", "/home/dev/empty", {}}}};

// Absent optionals are left out, never null.
TEST(RecordsJSON, ASnapshotHasTheExactCompactText) {
    const ProcessSnapshot snapshot{sampleTime, {DevProject{"shop", "/home/dev/shop", {server, container}}}};
    EXPECT_EQ(snapshot.encode(),
              R"({"projects":[{"name":"shop","path":"/home/dev/shop","servers":[{"command":"node",)"
              R"("commandLine":"node server.js","cpu":12.5,"cwd":"/home/dev/shop","groupPIDs":[12,13],)"
              R"("mem":1.25,"pgid":12,"pid":12,"ports":[3000,5173],"rss":52428800,"uptimeSeconds":3725},)"
              R"({"command":"postgres","commandLine":"docker: shop-db — postgres:16","containerID":"3f2a9c1b7d0e",)"
              R"("containerName":"shop-db","cpu":0.0,"groupPIDs":[],"keptAlive":false,"mem":0.0,"pgid":-1867,)"
              R"("pid":-1867,"ports":[5432]}]}],"timestamp":"2026-12-05T20:18:14Z"})");
}

TEST(RecordsJSON, ARoundTripLosesOnlyTheFractionOfASecond) {
    EXPECT_EQ(ProcessSnapshot::decode(sample.encode()), sample);
    const ProcessSnapshot now{system_clock::now(), sample.projects};
    EXPECT_EQ(ProcessSnapshot::decode(now.encode()), (ProcessSnapshot{floor<seconds>(now.timestamp), now.projects}));
}

// Non-finite loads would make the JSON unreadable, invalid UTF-8 would make writing throw.
TEST(RecordsJSON, NonFiniteLoadsAndInvalidUTF8FromTheSystemStillGiveAReadableSnapshot) {
    ProcessSnapshot odd = sample;
    odd.projects[0].servers[0].cpu = std::numeric_limits<double>::quiet_NaN();
    odd.projects[0].servers[1].mem = -std::numeric_limits<double>::infinity();
    odd.projects[0].servers[0].commandLine = "node /srv/caf\xE9/app.js \xFF";
    const auto decoded = ProcessSnapshot::decode(odd.encode());
    ASSERT_TRUE(decoded.has_value()) << odd.encode();
    EXPECT_EQ(decoded->projects[0].servers[0].cpu, 0.0);
    EXPECT_EQ(decoded->projects[0].servers[1].mem, 0.0);
    EXPECT_EQ(decoded->projects[0].servers[0].commandLine, "node /srv/caf\uFFFD/app.js \uFFFD");
}

// Unknown keys are ignored, null optionals are absent, integral floats are integers.
TEST(RecordsJSON, ReadsLeniently) {
    const auto snapshot = ProcessSnapshot::decode(R"({"version":2,"projects":[{"name":"n","path":"/p","pinned":1,
        "servers":[{"pid": 501.0, "pgid": 500, "groupPIDs": [500], "command": "vite", "ports": [5.173e3], "cpu": 7,
        "mem": 0.4, "rss": 1048576.0, "commandLine": null, "threads": [1, {"deep": null}]}]}],
        "timestamp":"2026-12-05T20:18:14Z","host":{"name":"x"}})");
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(snapshot->encode(), R"({"projects":[{"name":"n","path":"/p","servers":[{"command":"vite","cpu":7.0,)"
                                  R"("groupPIDs":[500],"mem":0.4,"pgid":500,"pid":501,"ports":[5173],)"
                                  R"("rss":1048576}]}],"timestamp":"2026-12-05T20:18:14Z"})");
}

// A missing key (no value) or a value of the wrong type or range, at a JSON pointer into the sample.
TEST(RecordsJSON, AMissingOrMistypedKeyAnywhereSpoilsTheWholeSnapshot) {
    const std::string s = "/projects/0/servers/0/", c = "/projects/0/servers/1/";
    const std::pair<std::string, std::optional<json>> damages[] = {
        {s + "pid", {}},
        {s + "pid", "12"},
        {s + "pid", 1.5},
        {s + "pid", 3000000000ULL},
        {s + "pgid", -2147483649LL},
        {s + "groupPIDs", {}},
        {s + "groupPIDs", json::array({3000, "1"})},
        {s + "ports", json::array({2147483648LL})},
        {s + "command", {}},
        {s + "cpu", "1.5"},
        {"/projects/1/servers/0/mem", {}},
        {s + "uptimeSeconds", "5"},
        {s + "rss", 9223372036854775808ULL},
        {s + "commandLine", 1},
        {c + "containerID", 1},
        {c + "keptAlive", 0},
        {"/projects/0/servers/1", json::array()},
        {"/projects/0/servers", json::object()},
        {"/projects/0/name", {}},
        {"/projects/0/path", 7},
        {"/projects/1", "x"},
        {"/projects", {}},
        {"/timestamp", {}},
        {"/timestamp", 1796501894},
        {"/timestamp", "2026-12-05T20:18:14.250Z"},
    };
    const json valid = json::parse(sample.encode());
    for (const auto& [pointer, value] : damages) {
        json broken = valid;
        const json::json_pointer at(pointer);
        if (value) broken[at] = *value;
        else broken[at.parent_pointer()].erase(at.back());
        EXPECT_FALSE(ProcessSnapshot::decode(broken.dump()).has_value())
            << pointer << " = " << (value ? value->dump() : "missing");
    }
}

// That whatever is accepted reads back the same is the fuzz target's promise (fuzz/SnapshotFuzzer.cpp).
TEST(RecordsJSON, TruncatedTrailedOrDeepInputIsRefusedWithoutCrashing) {
    const std::string valid = sample.encode();
    for (const std::string& text : {std::string(), valid + "x", std::string("null"), std::string("\0{}", 3)})
        EXPECT_FALSE(ProcessSnapshot::decode(text).has_value()) << text;
    for (std::size_t length = 0; length < valid.size(); ++length)
        EXPECT_FALSE(ProcessSnapshot::decode(std::string_view(valid).substr(0, length)).has_value()) << length;
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    EXPECT_FALSE(ProcessSnapshot::decode(R"({"timestamp":"2026-12-05T20:18:14Z","projects":)" + deep + "}"));
}

// Nesting is refused before the parser builds it: past the limit even where the key would be
// ignored, while brackets inside texts (a command line may hold any) are no nesting at all.
TEST(RecordsJSON, NestingPastTheLimitIsRefusedBeforeParsingAndBracketsInTextsDoNotCount) {
    const auto nested = [](std::size_t levels) { return std::string(levels, '[') + std::string(levels, ']'); };
    const std::size_t limit = Platform::JSONNesting::maximumDepth;
    const auto withExtra = [&](const std::string& extra) {
        return R"({"timestamp":"2026-12-05T20:18:14Z","extra":)" + extra + R"(,"projects":[]})";
    };
    EXPECT_TRUE(ProcessSnapshot::decode(withExtra(nested(limit - 1))));  // the object around it is a level
    EXPECT_FALSE(ProcessSnapshot::decode(withExtra(nested(limit))));
    EXPECT_TRUE(Platform::JSONNesting::isDeeperThan(nested(limit + 1)));
    EXPECT_FALSE(Platform::JSONNesting::isDeeperThan(nested(limit) + nested(limit)));

    DevServer brackets = makeServer();
    brackets.commandLine = "sh -c '" + std::string(5000, '[') + "\\\" \\\\" + std::string(5000, '{') + "'";
    const ProcessSnapshot snapshot{sampleTime, {DevProject{"shop", "/home/dev/shop", {brackets}}}};
    EXPECT_EQ(ProcessSnapshot::decode(snapshot.encode()), snapshot);
}

// Loads are written with the fewest digits that read back as the same number, a few decimals of a
// modest load as surely as any other value.
TEST(RecordsJSON, LoadsAreWrittenWithTheShortestDigitsThatReadBack) {
    std::mt19937_64 random(20250214);
    const auto digitsOf = [](std::string_view number) {
        const auto end = number.find_first_of("eE");
        std::string digits;
        for (const char c : number.substr(0, end))
            if (c >= '0' && c <= '9') digits += c;
        digits.erase(0, digits.find_first_not_of('0'));
        digits.erase(digits.find_last_not_of('0') + 1);
        return digits;
    };
    for (int round = 0; round < 20000; ++round) {
        double value = 0;
        switch (round % 4) {
        case 0: value = static_cast<double>(random() % 100000) / 10.0; break;
        case 1:
            for (int k = 1 + random() % 8; k > 0; --k) value += static_cast<double>(random() % 1000) / 10.0;
            break;
        case 2: value = (static_cast<double>(random() % 100000) - 50000.0) / 100.0 / 5.0 * 100.0; break;
        default: value = std::ldexp(static_cast<double>(random() % (1ULL << 53)), static_cast<int>(random() % 60) - 70);
        }
        DevServer measured;
        measured.cpu = value;
        const auto text = ProcessSnapshot{sampleTime, {DevProject{"p", "/p", {measured}}}}.encode();
        const auto start = text.find("\"cpu\":") + 6;
        const auto written = text.substr(start, text.find(',', start) - start);
        double readBack = -1;
        std::from_chars(written.data(), written.data() + written.size(), readBack);
        EXPECT_EQ(readBack, value) << written;
        char shortest[32];
        const auto end = std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific).ptr;
        EXPECT_EQ(digitsOf(written), digitsOf(std::string_view(shortest, static_cast<std::size_t>(end - shortest))))
            << written;
    }
}

}  // namespace
