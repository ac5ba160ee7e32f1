#include "Shared/DevServer.h"

#include <cmath>
#include <type_traits>

#include "Shared/FixedPoint.h"
#include "Shared/HashCombine.h"
#include "Shared/JSONCoding.h"
#include "Shared/JSONWriting.h"

static_assert(std::is_same_v<int, std::int32_t>, "ports are read as 32-bit integers");

namespace {

// A value JSON has only null for: the reader refuses null for cpu and mem, so writing it would make
// the whole snapshot unreadable. A meaningless reading is stored as no load instead.
double finiteOrZero(double value) { return std::isfinite(value) ? value : 0.0; }

}  // namespace

std::optional<std::string> DevServer::memText() const {
    if (!rss) return std::nullopt;
    const double megabytes = static_cast<double>(*rss) / 1048576.0;
    if (megabytes < 1.0) return "<1 MB";
    if (megabytes < 1024.0) return fixedPoint(megabytes, 0) + " MB";
    return fixedPoint(megabytes / 1024.0, 1) + " GB";
}

std::optional<std::string> DevServer::uptimeText() const {
    if (!uptimeSeconds) return std::nullopt;
    const std::int64_t seconds = *uptimeSeconds;
    // A start time in the future (clock skew) is a process that has only just started.
    if (seconds < 60) return "up <1m";
    if (seconds < 3600) return "up " + std::to_string(seconds / 60) + "m";
    if (seconds < 86400) {
        return "up " + std::to_string(seconds / 3600) + "h " + std::to_string(seconds % 3600 / 60) + "m";
    }
    return "up " + std::to_string(seconds / 86400) + "d " + std::to_string(seconds % 86400 / 3600) + "h";
}

void appendJSON(std::string& out, const DevServer& server) {
    using namespace JSONWriting;
    // Keys in byte order, the order the JSON library keeps an object's keys in. "command" always
    // comes first, so every other key follows a comma: each is written with its punctuation at once.
    const auto text = [&](std::string_view key, const std::optional<std::string>& value) {
        if (!value) return;
        out += key;
        appendString(out, *value);
    };
    const auto integer = [&](std::string_view key, std::optional<std::int64_t> value) {
        if (!value) return;
        out += key;
        appendInteger(out, *value);
    };
    out += "{\"command\":";
    appendString(out, server.command);
    text(",\"commandLine\":", server.commandLine);
    text(",\"containerID\":", server.containerID);
    text(",\"containerName\":", server.containerName);
    out += ",\"cpu\":";
    appendNumber(out, finiteOrZero(server.cpu));
    text(",\"cwd\":", server.cwd);
    out += ",\"groupPIDs\":";
    appendIntegers(out, server.groupPIDs);
    if (server.keptAlive) {
        out += ",\"keptAlive\":";
        appendBool(out, *server.keptAlive);
    }
    out += ",\"mem\":";
    appendNumber(out, finiteOrZero(server.mem));
    integer(",\"pgid\":", server.pgid);
    integer(",\"pid\":", server.pid);
    out += ",\"ports\":";
    appendIntegers(out, server.ports);
    integer(",\"rss\":", server.rss);
    integer(",\"uptimeSeconds\":", server.uptimeSeconds);
    out += '}';
}

void from_json(const nlohmann::json& json, DevServer& server) {
    using namespace JSONCoding;
    requireObject(json, "server");
    DevServer decoded;
    decoded.pid = requiredInt32(json, "pid");
    decoded.pgid = requiredInt32(json, "pgid");
    decoded.groupPIDs = requiredInt32Array(json, "groupPIDs");
    decoded.command = requiredString(json, "command");
    decoded.ports = requiredInt32Array(json, "ports");
    decoded.uptimeSeconds = optionalInteger(json, "uptimeSeconds");
    decoded.cpu = requiredNumber(json, "cpu");
    decoded.mem = requiredNumber(json, "mem");
    decoded.rss = optionalInteger(json, "rss");
    decoded.commandLine = optionalString(json, "commandLine");
    decoded.cwd = optionalString(json, "cwd");
    decoded.containerID = optionalString(json, "containerID");
    decoded.containerName = optionalString(json, "containerName");
    decoded.keptAlive = optionalBool(json, "keptAlive");
    server = std::move(decoded);
}

std::size_t std::hash<DevServer>::operator()(const DevServer& server) const noexcept {
    std::size_t seed = 0;
    HashCombine::combine(seed, server.pid);
    HashCombine::combine(seed, server.pgid);
    HashCombine::combine(seed, server.groupPIDs);
    HashCombine::combine(seed, server.command);
    HashCombine::combine(seed, server.ports);
    HashCombine::combine(seed, server.uptimeSeconds);
    HashCombine::combine(seed, server.cpu);
    HashCombine::combine(seed, server.mem);
    HashCombine::combine(seed, server.rss);
    HashCombine::combine(seed, server.commandLine);
    HashCombine::combine(seed, server.cwd);
    HashCombine::combine(seed, server.containerID);
    HashCombine::combine(seed, server.containerName);
    HashCombine::combine(seed, server.keptAlive);
    return seed;
}
