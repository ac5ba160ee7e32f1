#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
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

const Platform::Date sampleTime = sys_days{year{2026} / December / 5} + hours{20} + minutes{18} + seconds{14};

DevServer sampleServer() {
    DevServer server;
    server.pid = 12;
    server.pgid = 12;
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
    server.pid = -1867;
    server.pgid = -1867;
    server.command = "postgres";
    server.ports = {5432};
    server.commandLine = "docker: shop-db — postgres:16";
    server.containerID = "3f2a9c1b7d0e";
    server.containerName = "shop-db";
    server.keptAlive = false;
    return server;
}

ProcessSnapshot sampleSnapshot() {
    DevServer bare;
    bare.pid = 2147483647;
    bare.pgid = -2147483647 - 1;
    bare.groupPIDs = {1, 2147483647};
    bare.command = "python3 ✓ \"quoted\"\n";
    bare.ports = {};
    bare.cpu = 250.75;
    bare.mem = 0;
    return ProcessSnapshot{sampleTime,
                           {DevProject{"shop", "/home/dev/shop", {sampleServer(), sampleContainer()}},
                            DevProject{"launchd", "service://postgres", {bare}},
                            DevProject{"empty", "/home/dev/empty", {}}}};
}

std::set<std::string> keysOf(const json& object) {
    std::set<std::string> keys;
    for (const auto& item : object.items()) keys.insert(item.key());
    return keys;
}

bool containsNull(const json& value) {
    if (value.is_null()) return true;
    if (value.is_structured()) {
        for (const json& child : value) {
            if (containsNull(child)) return true;
        }
    }
    return false;
}

// A snapshot document holding one project with the given server object.
std::string snapshotAround(const json& server) {
    json document = {{"timestamp", "2026-12-05T20:18:14Z"},
                     {"projects", json::array({{{"name", "shop"}, {"path", "/home/dev/shop"},
                                                {"servers", json::array({server})}}})}};
    return document.dump();
}

void expectServerRefused(const json& server, const std::string& why) {
    EXPECT_THROW(server.get<DevServer>(), DecodingError) << why << ": " << server.dump();
    EXPECT_FALSE(ProcessSnapshot::decode(snapshotAround(server)).has_value()) << why;
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

TEST(RecordsJSONWriting, IntegersStayIntegersAndNumbersStayNumbers) {
    DevServer server = sampleServer();
    server.cpu = 3;
    server.mem = 0;
    const json written = server;
    EXPECT_TRUE(written["pid"].is_number_integer());
    EXPECT_TRUE(written["pgid"].is_number_integer());
    EXPECT_TRUE(written["uptimeSeconds"].is_number_integer());
    EXPECT_TRUE(written["rss"].is_number_integer());
    for (const json& element : written["groupPIDs"]) EXPECT_TRUE(element.is_number_integer());
    for (const json& element : written["ports"]) EXPECT_TRUE(element.is_number_integer());
    EXPECT_TRUE(written["cpu"].is_number());
    EXPECT_TRUE(written["mem"].is_number());
    const std::string text = written.dump();
    EXPECT_NE(text.find(R"("pid":12,)"), std::string::npos) << text;
    EXPECT_EQ(text.find("12.0"), std::string::npos) << text;
}

TEST(RecordsJSONWriting, AbsentOptionalsAreLeftOutNeverNull) {
    DevServer bare = sampleServer();
    bare.uptimeSeconds.reset();
    bare.rss.reset();
    bare.commandLine.reset();
    bare.cwd.reset();
    EXPECT_FALSE(bare.memText().has_value());
    EXPECT_FALSE(bare.uptimeText().has_value());
    const json written = bare;
    EXPECT_EQ(keysOf(written),
              (std::set<std::string>{"pid", "pgid", "groupPIDs", "command", "ports", "cpu", "mem"}));
    EXPECT_FALSE(containsNull(written));

    const json container = sampleContainer();
    EXPECT_EQ(keysOf(container), (std::set<std::string>{"pid", "pgid", "groupPIDs", "command", "ports", "cpu",
                                                        "mem", "commandLine", "containerID", "containerName",
                                                        "keptAlive"}));
    EXPECT_EQ(container["keptAlive"], false);
    EXPECT_TRUE(container["groupPIDs"].is_array());
    EXPECT_TRUE(container["groupPIDs"].empty());

    EXPECT_FALSE(containsNull(json::parse(sampleSnapshot().encode())));
}

TEST(RecordsJSONWriting, EveryFieldHasItsKey) {
    DevServer full = sampleServer();
    full.containerID = "id";
    full.containerName = "name";
    full.keptAlive = true;
    EXPECT_EQ(keysOf(json(full)),
              (std::set<std::string>{"pid", "pgid", "groupPIDs", "command", "ports", "uptimeSeconds", "cpu", "mem",
                                     "rss", "commandLine", "cwd", "containerID", "containerName", "keptAlive"}));
    EXPECT_EQ(keysOf(json(DevProject{"a", "/a", {}})), (std::set<std::string>{"name", "path", "servers"}));
    EXPECT_EQ(keysOf(json::parse(sampleSnapshot().encode())), (std::set<std::string>{"timestamp", "projects"}));
}

TEST(RecordsJSONWriting, NonFiniteLoadIsWrittenAsZeroSoTheSnapshotStaysReadable) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
        ProcessSnapshot snapshot = sampleSnapshot();
        snapshot.projects[0].servers[0].cpu = bad;
        snapshot.projects[0].servers[1].mem = bad;
        const std::string text = snapshot.encode();
        EXPECT_EQ(text.find("null"), std::string::npos) << text;
        const auto decoded = ProcessSnapshot::decode(text);
        ASSERT_TRUE(decoded.has_value()) << text;
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
    ProcessSnapshot original = sampleSnapshot();
    original.timestamp = sampleTime + milliseconds{987} + microseconds{654};
    const auto decoded = ProcessSnapshot::decode(original.encode());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->projects, original.projects);
    EXPECT_EQ(decoded->timestamp, sampleTime);
    EXPECT_NE(*decoded, original);

    const ProcessSnapshot whole = sampleSnapshot();
    EXPECT_EQ(ProcessSnapshot::decode(whole.encode()), whole);
}

TEST(RecordsJSONReading, RoundTripOfTheCurrentTime) {
    const ProcessSnapshot now{system_clock::now(), {DevProject{"shop", "/home/dev/shop", {sampleServer()}}}};
    const auto decoded = ProcessSnapshot::decode(now.encode());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->timestamp, floor<seconds>(now.timestamp));
    EXPECT_EQ(decoded->projects, now.projects);
}

TEST(RecordsJSONReading, ReadsAHandWrittenServerAndIgnoresUnknownKeys) {
    const auto server = json::parse(R"({
        "pid": 501, "pgid": 500, "groupPIDs": [500, 501], "command": "vite", "ports": [5173],
        "cpu": 7, "mem": 0.4, "uptimeSeconds": 61, "rss": 1048576, "cwd": "/home/dev/web",
        "colour": "teal", "threads": [1, 2, {"deep": null}], "keptAlive": true, "future": {"x": 1}
    })").get<DevServer>();
    EXPECT_EQ(server.pid, 501);
    EXPECT_EQ(server.pgid, 500);
    EXPECT_EQ(server.groupPIDs, (std::vector<std::int32_t>{500, 501}));
    EXPECT_EQ(server.command, "vite");
    EXPECT_EQ(server.ports, (std::vector<int>{5173}));
    EXPECT_EQ(server.cpu, 7.0);
    EXPECT_EQ(server.mem, 0.4);
    EXPECT_EQ(server.uptimeText(), "up 1m");
    EXPECT_EQ(server.memText(), "1 MB");
    EXPECT_EQ(server.cwd, "/home/dev/web");
    EXPECT_EQ(server.keptAlive, true);
    EXPECT_FALSE(server.commandLine.has_value());
    EXPECT_FALSE(server.containerID.has_value());
    EXPECT_FALSE(server.containerName.has_value());

    const auto snapshot = ProcessSnapshot::decode(
        R"({"version":2,"projects":[{"name":"n","path":"/p","servers":[],"pinned":true}],)"
        R"("timestamp":"2026-12-05T20:18:14Z","host":{"name":"x"}})");
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(*snapshot, (ProcessSnapshot{sampleTime, {DevProject{"n", "/p", {}}}}));
}

TEST(RecordsJSONReading, NullOptionalsReadAsAbsent) {
    json server = sampleServer();
    for (const char* key : {"uptimeSeconds", "rss", "commandLine", "cwd", "containerID", "containerName", "keptAlive"}) {
        server[key] = nullptr;
    }
    const auto decoded = server.get<DevServer>();
    EXPECT_FALSE(decoded.uptimeSeconds || decoded.rss || decoded.commandLine || decoded.cwd || decoded.containerID ||
                 decoded.containerName || decoded.keptAlive);
}

TEST(RecordsJSONReading, IntegralValuesWrittenAsFloatsAreAccepted) {
    json server = sampleServer();
    server["pid"] = 12.0;
    server["ports"] = json::parse("[3000.0, 5.173e3]");
    server["rss"] = 1048576.0;
    const auto decoded = server.get<DevServer>();
    EXPECT_EQ(decoded.pid, 12);
    EXPECT_EQ(decoded.ports, (std::vector<int>{3000, 5173}));
    EXPECT_EQ(decoded.rss, 1048576);
}

TEST(RecordsJSONReading, IdsAcceptTheWholeInt32Range) {
    json server = sampleServer();
    server["pid"] = 2147483647;
    server["pgid"] = -2147483648LL;
    server["groupPIDs"] = {-2147483648LL, 0, 2147483647};
    const auto decoded = server.get<DevServer>();
    EXPECT_EQ(decoded.pid, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(decoded.pgid, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(decoded.groupPIDs.front(), std::numeric_limits<std::int32_t>::min());
}

TEST(RecordsJSONReading, EachMissingRequiredServerKeyIsRefused) {
    for (const char* key : {"pid", "pgid", "groupPIDs", "command", "ports", "cpu", "mem"}) {
        json server = sampleServer();
        server.erase(key);
        expectServerRefused(server, std::string("without ") + key);
    }
    json optionalsMissing = sampleServer();
    for (const char* key : {"uptimeSeconds", "rss", "commandLine", "cwd"}) optionalsMissing.erase(key);
    EXPECT_NO_THROW(optionalsMissing.get<DevServer>());
}

TEST(RecordsJSONReading, RequiredServerKeysOfTheWrongTypeAreRefused) {
    const json notA32BitInteger[] = {"12", 1.5, 3000000000ULL, -2147483649LL, 2147483648LL, true, nullptr,
                                     json::array(), json::object(), 1e300};
    for (const char* key : {"pid", "pgid"}) {
        for (const json& value : notA32BitInteger) {
            json server = sampleServer();
            server[key] = value;
            expectServerRefused(server, std::string(key) + " = " + value.dump());
        }
    }
    for (const char* key : {"groupPIDs", "ports"}) {
        for (const json& value : {json("12"), json(12), json(nullptr), json::object()}) {
            json server = sampleServer();
            server[key] = value;
            expectServerRefused(server, std::string(key) + " = " + value.dump());
        }
        for (const json& element : notA32BitInteger) {
            json server = sampleServer();
            server[key] = json::array({3000, element});
            expectServerRefused(server, std::string(key) + " holding " + element.dump());
        }
    }
    for (const json& value : {json(12), json(nullptr), json::array({"node"}), json(true)}) {
        json server = sampleServer();
        server["command"] = value;
        expectServerRefused(server, "command = " + value.dump());
    }
    for (const char* key : {"cpu", "mem"}) {
        for (const json& value : {json("1.5"), json(nullptr), json(true), json::array({1}), json::object(),
                                  json(std::numeric_limits<double>::infinity())}) {
            json server = sampleServer();
            server[key] = value;
            expectServerRefused(server, std::string(key) + " = " + value.dump());
        }
        json integral = sampleServer();
        integral[key] = 250;
        EXPECT_NO_THROW(integral.get<DevServer>()) << key << " as an integer";
    }
}

TEST(RecordsJSONReading, OptionalServerKeysOfTheWrongTypeAreRefused) {
    for (const char* key : {"uptimeSeconds", "rss"}) {
        for (const json& value : {json("5"), json(1.5), json(true), json::array(), json::object(),
                                  json(9223372036854775808ULL)}) {
            json server = sampleServer();
            server[key] = value;
            expectServerRefused(server, std::string(key) + " = " + value.dump());
        }
    }
    for (const char* key : {"commandLine", "cwd", "containerID", "containerName"}) {
        for (const json& value : {json(1), json(false), json::array({"a"}), json::object()}) {
            json server = sampleServer();
            server[key] = value;
            expectServerRefused(server, std::string(key) + " = " + value.dump());
        }
    }
    for (const json& value : {json(1), json(0), json("true"), json::array()}) {
        json server = sampleServer();
        server["keptAlive"] = value;
        expectServerRefused(server, "keptAlive = " + value.dump());
    }
}

TEST(RecordsJSONReading, ProjectsAndSnapshotsNeedTheirKeys) {
    const json project = DevProject{"shop", "/home/dev/shop", {sampleServer()}};
    for (const char* key : {"name", "path", "servers"}) {
        json broken = project;
        broken.erase(key);
        EXPECT_THROW(broken.get<DevProject>(), DecodingError) << "without " << key;
        broken[key] = 7;
        EXPECT_THROW(broken.get<DevProject>(), DecodingError) << key << " as a number";
    }
    const json snapshot = json::parse(sampleSnapshot().encode());
    for (const char* key : {"timestamp", "projects"}) {
        json broken = snapshot;
        broken.erase(key);
        EXPECT_FALSE(ProcessSnapshot::decode(broken.dump()).has_value()) << "without " << key;
        broken[key] = nullptr;
        EXPECT_FALSE(ProcessSnapshot::decode(broken.dump()).has_value()) << key << " as null";
    }
    for (const json& timestamp : {json(1796501894), json("2026-12-05T20:18:14.250Z"), json("2026-12-05T20:18:14+00:00"),
                                  json("2026-12-05 20:18:14"), json("yesterday"), json("")}) {
        json broken = snapshot;
        broken["timestamp"] = timestamp;
        EXPECT_FALSE(ProcessSnapshot::decode(broken.dump()).has_value()) << timestamp.dump();
    }
}

TEST(RecordsJSONReading, AWrongShapeAtAnyLevelIsRefused) {
    const json valid = json::parse(sampleSnapshot().encode());
    ASSERT_TRUE(ProcessSnapshot::decode(valid.dump()).has_value());
    for (const char* text : {"[]", "null", "\"snapshot\"", "12", "true", "[{\"timestamp\":\"2026-12-05T20:18:14Z\"}]"}) {
        EXPECT_FALSE(ProcessSnapshot::decode(text).has_value()) << text;
    }
    const json misplaced[] = {json::object(), json::array(), json("x"), json(nullptr), json(3)};
    for (const json& value : misplaced) {
        json brokenProjects = valid;
        brokenProjects["projects"] = value;
        json brokenProject = valid;
        brokenProject["projects"][1] = value;
        json brokenServers = valid;
        brokenServers["projects"][0]["servers"] = value;
        json brokenServer = valid;
        brokenServer["projects"][0]["servers"][1] = value;
        // An empty array is a valid list of projects or servers.
        if (!value.is_array()) {
            EXPECT_FALSE(ProcessSnapshot::decode(brokenProjects.dump()).has_value()) << value;
            EXPECT_FALSE(ProcessSnapshot::decode(brokenServers.dump()).has_value()) << value;
        }
        EXPECT_FALSE(ProcessSnapshot::decode(brokenProject.dump()).has_value()) << value;
        EXPECT_FALSE(ProcessSnapshot::decode(brokenServer.dump()).has_value()) << value;
    }
    EXPECT_THROW(json::array().get<DevServer>(), DecodingError);
    EXPECT_THROW(json("x").get<DevProject>(), DecodingError);
}

TEST(RecordsJSONReading, OneBadServerSpoilsTheWholeSnapshot) {
    json document = json::parse(sampleSnapshot().encode());
    document["projects"][1]["servers"][0].erase("mem");
    EXPECT_FALSE(ProcessSnapshot::decode(document.dump()).has_value());
}

// ---- hostile input ----

TEST(RecordsJSONHostileInput, MalformedTextGivesNoValue) {
    const std::string valid = sampleSnapshot().encode();
    for (const std::string& text : {std::string(), std::string("   "), valid + "x", valid + valid, std::string("{"),
                                    std::string("{\"timestamp\":\"2026-12-05T20:18:14Z\",\"projects\":[],}"),
                                    std::string("\xEF\xBB\xBF") + "{]", std::string("\0{}", 3)}) {
        EXPECT_FALSE(ProcessSnapshot::decode(text).has_value()) << text;
    }
}

TEST(RecordsJSONHostileInput, EveryTruncatedPrefixIsRefused) {
    const std::string valid = sampleSnapshot().encode();
    ASSERT_TRUE(ProcessSnapshot::decode(valid).has_value());
    for (std::size_t length = 0; length < valid.size(); ++length) {
        EXPECT_FALSE(ProcessSnapshot::decode(std::string_view(valid).substr(0, length)).has_value()) << length;
    }
}

TEST(RecordsJSONHostileInput, RandomMutationsNeverCrashAndWhatIsAcceptedRoundTrips) {
    const std::string valid = sampleSnapshot().encode();
    std::mt19937 random(20261205);
    std::size_t accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string text = valid;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int edit = 0; edit < edits && !text.empty(); ++edit) {
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
        // Anything the reader takes must be writable and read back to the same value.
        EXPECT_EQ(ProcessSnapshot::decode(decoded->encode()), decoded) << text;
    }
    // Mutations that keep the document valid (in a string, a digit) must still be read.
    EXPECT_GT(accepted, 0u);
}

TEST(RecordsJSONHostileInput, DeepNestingAndHugeInputDoNotCrash) {
    const std::size_t depth = 200000;
    const std::string open(depth, '['), close(depth, ']');
    EXPECT_FALSE(ProcessSnapshot::decode(open).has_value());
    EXPECT_FALSE(ProcessSnapshot::decode(open + close).has_value());
    EXPECT_FALSE(ProcessSnapshot::decode(R"({"timestamp":"2026-12-05T20:18:14Z","projects":)" + open + close + "}")
                     .has_value());
    // Deep nesting under a key nobody reads is ignored like any unknown key.
    const auto ignored =
        ProcessSnapshot::decode(R"({"timestamp":"2026-12-05T20:18:14Z","projects":[],"x":)" + open + close + "}");
    ASSERT_TRUE(ignored.has_value());
    EXPECT_TRUE(ignored->projects.empty());

    EXPECT_FALSE(ProcessSnapshot::decode(std::string(8 << 20, 'x')).has_value());
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
