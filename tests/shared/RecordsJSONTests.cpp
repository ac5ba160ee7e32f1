#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <string>

#include "Shared/DevProject.h"
#include "Shared/DevServer.h"
#include "Shared/JSONCoding.h"
#include "Shared/ProcessSnapshot.h"

namespace {

using nlohmann::json;
using namespace std::chrono;
using Keys = std::set<std::string>;

const Platform::Date sampleTime = sys_days{year{2026} / December / 5} + hours{20} + minutes{18} + seconds{14};

DevServer sampleServer() {
    DevServer server;
    server.pid = server.pgid = 12;
    server.groupPIDs = {12, 13};
    server.command = "node";
    server.ports = {3000, 5173};
    server.uptimeSeconds = 3725;
    server.cpu = 12.5;
    server.mem = 1.25;
    server.rss = 52428800;
    server.commandLine = "node server.js";
    server.cwd = "/home/dev/shop";
    return server;
}

DevServer sampleContainer() {
    DevServer server;
    server.pid = server.pgid = -1867;
    server.command = "postgres";
    server.ports = {5432};
    server.commandLine = "docker: shop-db — postgres:16";
    server.containerID = "3f2a9c1b7d0e";
    server.containerName = "shop-db";
    server.keptAlive = false;
    return server;
}

// Covers the extremes: 32-bit ids at both ends, no ports, text that needs escaping, an empty project.
ProcessSnapshot sampleSnapshot() {
    DevServer bare;
    bare.pid = std::numeric_limits<std::int32_t>::max();
    bare.pgid = std::numeric_limits<std::int32_t>::min();
    bare.groupPIDs = {1, 2147483647};
    bare.command = "python3 ✓ \"quoted\"\n";
    bare.cpu = 250.75;
    return ProcessSnapshot{sampleTime,
                           {DevProject{"shop", "/home/dev/shop", {sampleServer(), sampleContainer()}},
                            DevProject{"launchd", "service://postgres", {bare}},
                            DevProject{"empty", "/home/dev/empty", {}}}};
}

Keys keysOf(const json& object) {
    Keys keys;
    for (const auto& item : object.items()) keys.insert(item.key());
    return keys;
}

// ---- writing ----

TEST(RecordsJSONWriting, SampleSnapshotHasTheExactCompactText) {
    ProcessSnapshot snapshot{sampleTime, {DevProject{"shop", "/home/dev/shop", {sampleServer()}}}};
    EXPECT_EQ(snapshot.encode(),
              R"({"projects":[{"name":"shop","path":"/home/dev/shop","servers":[{"command":"node",)"
              R"("commandLine":"node server.js","cpu":12.5,"cwd":"/home/dev/shop","groupPIDs":[12,13],)"
              R"("mem":1.25,"pgid":12,"pid":12,"ports":[3000,5173],"rss":52428800,"uptimeSeconds":3725}]}],)"
              R"("timestamp":"2026-12-05T20:18:14Z"})");
}

TEST(RecordsJSONWriting, AbsentOptionalsAreLeftOutNeverNull) {
    DevServer bare = sampleServer();
    bare.uptimeSeconds.reset();
    bare.rss.reset();
    bare.commandLine.reset();
    bare.cwd.reset();
    EXPECT_EQ(keysOf(json(bare)), (Keys{"pid", "pgid", "groupPIDs", "command", "ports", "cpu", "mem"}));
    const json container = sampleContainer();
    EXPECT_EQ(keysOf(container), (Keys{"pid", "pgid", "groupPIDs", "command", "ports", "cpu", "mem", "commandLine",
                                       "containerID", "containerName", "keptAlive"}));
    EXPECT_EQ(container["keptAlive"], false);
    EXPECT_EQ(container["groupPIDs"], json::array());
    EXPECT_EQ(sampleSnapshot().encode().find("null"), std::string::npos);
}

TEST(RecordsJSONWriting, NonFiniteLoadIsWrittenAsZeroSoTheSnapshotStaysReadable) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
        ProcessSnapshot snapshot = sampleSnapshot();
        snapshot.projects[0].servers[0].cpu = bad;
        snapshot.projects[0].servers[1].mem = bad;
        const auto decoded = ProcessSnapshot::decode(snapshot.encode());
        ASSERT_TRUE(decoded.has_value()) << snapshot.encode();
        EXPECT_EQ(decoded->projects[0].servers[0].cpu, 0.0);
        EXPECT_EQ(decoded->projects[0].servers[1].mem, 0.0);
        EXPECT_EQ(decoded->projects[0].servers[0].mem, snapshot.projects[0].servers[0].mem);
    }
}

TEST(RecordsJSONWriting, InvalidUTF8FromTheSystemDoesNotBreakWriting) {
    ProcessSnapshot snapshot = sampleSnapshot();
    snapshot.projects[0].servers[0].commandLine = std::string("node /srv/caf\xE9/app.js \xFF");
    snapshot.projects[0].path = std::string("/srv/caf\xE9");
    std::string text;
    ASSERT_NO_THROW(text = snapshot.encode());
    const auto decoded = ProcessSnapshot::decode(text);
    ASSERT_TRUE(decoded.has_value()) << text;
    EXPECT_EQ(decoded->projects[0].servers[0].commandLine, "node /srv/caf\uFFFD/app.js \uFFFD");
    EXPECT_EQ(decoded->projects[0].path, "/srv/caf\uFFFD");
}

// ---- reading ----

TEST(RecordsJSONReading, SnapshotRoundTripLosesOnlyTheFractionOfASecond) {
    const ProcessSnapshot whole = sampleSnapshot();
    EXPECT_EQ(ProcessSnapshot::decode(whole.encode()), whole);

    ProcessSnapshot now = sampleSnapshot();
    now.timestamp = system_clock::now();
    const auto decoded = ProcessSnapshot::decode(now.encode());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->projects, now.projects);
    EXPECT_EQ(decoded->timestamp, floor<seconds>(now.timestamp));
}

TEST(RecordsJSONReading, ReadsAHandWrittenServerLeniently) {
    // Unknown keys are ignored, null optionals are absent, integral floats are integers.
    const auto server = json::parse(R"({
        "pid": 501.0, "pgid": 500, "groupPIDs": [500, 501], "command": "vite", "ports": [5.173e3],
        "cpu": 7, "mem": 0.4, "uptimeSeconds": 61, "rss": 1048576.0, "cwd": "/home/dev/web", "commandLine": null,
        "containerID": null, "colour": "teal", "threads": [1, 2, {"deep": null}], "keptAlive": true, "future": {"x": 1}
    })").get<DevServer>();
    EXPECT_EQ(json(server), json::parse(R"({"pid": 501, "pgid": 500, "groupPIDs": [500, 501], "command": "vite",
        "ports": [5173], "cpu": 7, "mem": 0.4, "uptimeSeconds": 61, "rss": 1048576, "cwd": "/home/dev/web",
        "keptAlive": true})"));

    const auto snapshot = ProcessSnapshot::decode(
        R"({"version":2,"projects":[{"name":"n","path":"/p","servers":[],"pinned":true}],)"
        R"("timestamp":"2026-12-05T20:18:14Z","host":{"name":"x"}})");
    EXPECT_EQ(snapshot, (ProcessSnapshot{sampleTime, {DevProject{"n", "/p", {}}}}));
}

// A missing key (no value) or a value of the wrong type, at the JSON pointer of a valid snapshot.
struct Damage {
    std::string pointer;
    std::optional<json> value;
};

TEST(RecordsJSONReading, AMissingOrMistypedKeyAnywhereSpoilsTheWholeSnapshot) {
    const std::string server = "/projects/0/servers/0/";
    const Damage damages[] = {
        {server + "pid", {}}, {server + "pid", "12"}, {server + "pid", 1.5}, {server + "pid", 3000000000ULL},
        {server + "pgid", -2147483649LL}, {server + "pgid", nullptr}, {server + "groupPIDs", {}},
        {server + "groupPIDs", 12}, {server + "groupPIDs", json::array({3000, "1"})}, {server + "ports", {}},
        {server + "ports", json::array({3000, 2147483648LL})}, {server + "command", {}}, {server + "command", 12},
        {server + "cpu", {}}, {server + "cpu", "1.5"}, {server + "mem", true},
        {"/projects/1/servers/0/mem", {}}, {server + "uptimeSeconds", "5"}, {server + "rss", 1.5},
        {server + "rss", 9223372036854775808ULL}, {server + "commandLine", 1}, {server + "cwd", false},
        {"/projects/0/servers/1/containerID", json::array()}, {"/projects/0/servers/1/containerName", json::object()},
        {"/projects/0/servers/1/keptAlive", 0}, {"/projects/0/servers/1/keptAlive", "true"},
        {"/projects/0/servers/1", json::array()}, {"/projects/0/servers", json::object()},
        {"/projects/0/name", {}}, {"/projects/0/path", 7}, {"/projects/1", "x"}, {"/projects", nullptr},
        {"/projects", {}}, {"/timestamp", {}}, {"/timestamp", 1796501894}, {"/timestamp", "2026-12-05T20:18:14.250Z"},
        {"/timestamp", "2026-12-05 20:18:14"}, {"/timestamp", ""},
    };
    const json valid = json::parse(sampleSnapshot().encode());
    ASSERT_TRUE(ProcessSnapshot::decode(valid.dump()).has_value());
    for (const Damage& damage : damages) {
        json broken = valid;
        const json::json_pointer at(damage.pointer);
        if (damage.value) broken[at] = *damage.value;
        else broken[at.parent_pointer()].erase(at.back());
        EXPECT_FALSE(ProcessSnapshot::decode(broken.dump()).has_value())
            << damage.pointer << " = " << (damage.value ? damage.value->dump() : "missing");
    }
    json withoutPID = sampleServer();
    withoutPID.erase("pid");
    EXPECT_THROW(withoutPID.get<DevServer>(), DecodingError);
    EXPECT_THROW(json::array().get<DevServer>(), DecodingError);
    EXPECT_THROW(json("x").get<DevProject>(), DecodingError);
}

// ---- hostile input ----

TEST(RecordsJSONHostileInput, MalformedTextAndEveryTruncatedPrefixAreRefused) {
    const std::string valid = sampleSnapshot().encode();
    for (const std::string& text : {std::string(), std::string("   "), valid + "x", valid + valid, std::string("[]"),
                                    std::string("null"), std::string("12"), std::string("\xEF\xBB\xBF") + "{]",
                                    std::string("{\"timestamp\":\"2026-12-05T20:18:14Z\",\"projects\":[],}"),
                                    std::string("\0{}", 3)}) {
        EXPECT_FALSE(ProcessSnapshot::decode(text).has_value()) << text;
    }
    for (std::size_t length = 0; length < valid.size(); ++length)
        EXPECT_FALSE(ProcessSnapshot::decode(std::string_view(valid).substr(0, length)).has_value()) << length;
}

TEST(RecordsJSONHostileInput, RandomMutationsNeverCrashAndWhatIsAcceptedRoundTrips) {
    const std::string valid = sampleSnapshot().encode();
    std::mt19937 random(20261205);
    std::size_t accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string text = valid;
        for (int edit = 1 + random() % 4; edit > 0 && !text.empty(); --edit) {
            const std::size_t at = random() % text.size();
            switch (random() % 4) {
            case 0: text[at] = static_cast<char>(random() % 256); break;
            case 1: text.erase(at, 1 + random() % 8); break;
            case 2: text.insert(at, 1, "{}[],:\"0-.eE\\ntf"[random() % 16]); break;
            case 3: text.insert(at, text.substr(random() % text.size(), 1 + random() % 16)); break;
            }
        }
        const auto decoded = ProcessSnapshot::decode(text);
        if (!decoded) continue;
        ++accepted;
        EXPECT_EQ(ProcessSnapshot::decode(decoded->encode()), decoded) << text;
    }
    EXPECT_GT(accepted, 0u) << "mutations inside a string or a number must still be read";
}

TEST(RecordsJSONHostileInput, DeepNestingAndHugeInputDoNotCrash) {
    const std::string open(200000, '['), close(200000, ']');
    const std::string head = R"({"timestamp":"2026-12-05T20:18:14Z","projects":)";
    EXPECT_FALSE(ProcessSnapshot::decode(open).has_value());
    EXPECT_FALSE(ProcessSnapshot::decode(head + open + close + "}").has_value());
    // Deep nesting under a key nobody reads is ignored like any unknown key.
    const auto ignored = ProcessSnapshot::decode(head + R"([],"x":)" + open + close + "}");
    ASSERT_TRUE(ignored.has_value());
    EXPECT_TRUE(ignored->projects.empty());
    EXPECT_FALSE(ProcessSnapshot::decode("\"" + std::string(8 << 20, 'a')).has_value());

    ProcessSnapshot big{sampleTime, {}};
    for (int index = 0; index < 2000; ++index) {
        DevServer server = sampleServer();
        server.pid = index;
        big.projects.push_back(DevProject{"p" + std::to_string(index), "/srv/p" + std::to_string(index),
                                          {server, sampleContainer(), server}});
    }
    EXPECT_EQ(ProcessSnapshot::decode(big.encode()), big);
}

}  // namespace
