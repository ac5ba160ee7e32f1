#include "Shared/ProcessSnapshot.h"

#include <exception>

#include "Shared/JSONCoding.h"

void to_json(nlohmann::json& json, const ProcessSnapshot& snapshot) {
    json = nlohmann::json::object();
    json["timestamp"] = Platform::formatISO8601(snapshot.timestamp);
    json["projects"] = snapshot.projects;
}

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
    const nlohmann::json json = *this;
    // Command lines and folders come from the system as raw bytes and need not be valid UTF-8;
    // replacing such bytes keeps the snapshot writable where a strict dump would throw.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<ProcessSnapshot> ProcessSnapshot::decode(std::string_view bytes) {
    try {
        const auto json = nlohmann::json::parse(bytes.begin(), bytes.end());
        return json.get<ProcessSnapshot>();
    } catch (const std::exception&) {
        // Malformed text, a wrong shape or a missing key: callers only need to know it is unusable.
        return std::nullopt;
    }
}
