#pragma once
// A project folder and the servers found in it, identified by its path.

#include <cstddef>
#include <string>
#include <vector>

#include "Shared/DevServer.h"

struct DevProject {
    std::string name;  // shown as the project's title
    std::string path;  // absolute folder, "service://<command>", or a container's form
    std::vector<DevServer> servers;

    const std::string& id() const { return path; }

    // Distinct ports of all servers, ascending.
    std::vector<int> allPorts() const;
    // Sum of the sizes of the servers' groupPIDs.
    std::size_t totalPIDCount() const;

    bool operator==(const DevProject&) const = default;
};

// The number of servers over all the projects.
std::size_t totalServerCount(const std::vector<DevProject>& projects);
// "1 server", else "<count> servers" ("0 servers" too): the count wherever servers are counted.
std::string serverCountText(std::size_t count);

void appendJSON(std::string& out, const DevProject& project);
void from_json(const nlohmann::json& json, DevProject& project);

template <>
struct std::hash<DevProject> {
    std::size_t operator()(const DevProject& project) const noexcept;
};
