#pragma once
// One development server: a process group with at least one listening TCP port, or one Docker
// container. A plain value, equal and hashed over all fields, identified by its pid.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

struct DevServer {
    std::int32_t pid = 0;                       // the group's representative listener (containers: made up)
    std::int32_t pgid = 0;                      // process group (containers: a negative made-up value)
    std::vector<std::int32_t> groupPIDs;        // every process of the group, ascending
    std::string command;                        // short command name of the representative
    std::vector<int> ports;                     // listening TCP ports, ascending, distinct
    std::optional<std::int64_t> uptimeSeconds;  // since the representative started
    double cpu = 0;                             // percent, summed over the group
    double mem = 0;                             // percent, summed over the group
    std::optional<std::int64_t> rss;            // bytes, summed over the group
    std::optional<std::string> commandLine;
    std::optional<std::string> cwd;  // absent for background services
    std::optional<std::string> containerID;
    std::optional<std::string> containerName;
    std::optional<bool> keptAlive;  // only for servers of background-service projects

    std::int32_t id() const { return pid; }

    // "<1 MB", "2 MB", "1.0 GB"; absent without rss.
    std::optional<std::string> memText() const;
    // "up <1m", "up 5m", "up 2h 5m", "up 3d 0h"; absent without uptimeSeconds.
    std::optional<std::string> uptimeText() const;

    bool operator==(const DevServer&) const = default;
};

// JSON form: keys are the field names, absent optionals left out. Written straight into text (a
// snapshot holds every server of the machine); decoding throws DecodingError (Shared/JSONCoding.h)
// when a required key is missing or has the wrong type.
void appendJSON(std::string& out, const DevServer& server);
void from_json(const nlohmann::json& json, DevServer& server);

template <>
struct std::hash<DevServer> {
    std::size_t operator()(const DevServer& server) const noexcept;
};
