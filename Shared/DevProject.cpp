#include "Shared/DevProject.h"

#include <algorithm>

#include "Shared/HashCombine.h"
#include "Shared/JSONCoding.h"
#include "Shared/JSONWriting.h"

std::vector<int> DevProject::allPorts() const {
    std::vector<int> ports;
    for (const DevServer& server : servers) ports.insert(ports.end(), server.ports.begin(), server.ports.end());
    std::sort(ports.begin(), ports.end());
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

std::size_t DevProject::totalPIDCount() const {
    std::size_t count = 0;
    for (const DevServer& server : servers) count += server.groupPIDs.size();
    return count;
}

std::size_t totalServerCount(const std::vector<DevProject>& projects) {
    std::size_t count = 0;
    for (const DevProject& project : projects) count += project.servers.size();
    return count;
}

std::string serverCountText(std::size_t count) { return std::to_string(count) + (count == 1 ? " server" : " servers"); }

void appendJSON(std::string& out, const DevProject& project) {
    out += "{\"name\":";
    JSONWriting::appendString(out, project.name);
    out += ",\"path\":";
    JSONWriting::appendString(out, project.path);
    out += ",\"servers\":[";
    for (std::size_t index = 0; index < project.servers.size(); ++index) {
        if (index > 0) out += ',';
        appendJSON(out, project.servers[index]);
    }
    out += "]}";
}

void from_json(const nlohmann::json& json, DevProject& project) {
    using namespace JSONCoding;
    requireObject(json, "project");
    DevProject decoded;
    decoded.name = requiredString(json, "name");
    decoded.path = requiredString(json, "path");
    const nlohmann::json& servers = requiredArray(json, "servers");
    decoded.servers.reserve(servers.size());
    for (const nlohmann::json& server : servers) decoded.servers.push_back(server.get<DevServer>());
    project = std::move(decoded);
}

std::size_t std::hash<DevProject>::operator()(const DevProject& project) const noexcept {
    std::size_t seed = 0;
    HashCombine::combine(seed, project.name);
    HashCombine::combine(seed, project.path);
    HashCombine::combine(seed, project.servers);
    return seed;
}
