#include "Shared/ProcessSnapshot.h"

#include <exception>

#include "Platform/JSONNesting.h"
#include "Shared/JSONCoding.h"
#include "Shared/JSONWriting.h"

void from_json(const nlohmann::json& json, ProcessSnapshot& snapshot) {
    using namespace JSONCoding;
    requireObject(json, "snapshot");
    ProcessSnapshot decoded;
    const auto timestamp = Platform::parseISO8601(requiredString(json, "timestamp"));
    if (!timestamp) throw DecodingError("\"timestamp\": expected an ISO 8601 date-time in UTC");
    decoded.timestamp = *timestamp;
    const nlohmann::json& projects = requiredArray(json, "projects");
    decoded.projects.reserve(projects.size());
    for (const nlohmann::json& project : projects) decoded.projects.push_back(project.get<DevProject>());
    snapshot = std::move(decoded);
}

std::string ProcessSnapshot::encode() const {
    // Command lines and folders come from the system as raw bytes and need not be valid UTF-8;
    // JSONWriting replaces such bytes, which keeps the snapshot writable.
    std::string out;
    std::size_t servers = 0;
    for (const auto& project : projects) servers += project.servers.size();
    out.reserve(64 + 96 * projects.size() + 384 * servers);
    out += "{\"projects\":[";
    for (std::size_t index = 0; index < projects.size(); ++index) {
        if (index > 0) out += ',';
        appendJSON(out, projects[index]);
    }
    out += "],\"timestamp\":";
    JSONWriting::appendString(out, Platform::formatISO8601(timestamp));
    out += '}';
    return out;
}

std::optional<ProcessSnapshot> ProcessSnapshot::decode(std::string_view bytes) {
    if (Platform::JSONNesting::isDeeperThan(bytes)) return std::nullopt;
    try {
        const auto json = nlohmann::json::parse(bytes.begin(), bytes.end());
        return json.get<ProcessSnapshot>();
    } catch (const std::exception&) {
        // Malformed text, a wrong shape or a missing key: callers only need to know it is unusable.
        return std::nullopt;
    }
}
