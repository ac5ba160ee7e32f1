#include "Shared/PortConflicts.h"

#include <algorithm>

std::set<int> conflictingPorts(const std::vector<DevProject>& projects) {
    std::map<int, int> serversByPort;
    for (const DevProject& project : projects) {
        for (const DevServer& server : project.servers) {
            // A server that lists a port twice still counts once on it.
            for (int port : std::set<int>(server.ports.begin(), server.ports.end())) ++serversByPort[port];
        }
    }
    std::set<int> conflicting;
    for (const auto& [port, count] : serversByPort)
        if (count >= 2) conflicting.insert(port);
    return conflicting;
}

std::map<int, std::vector<std::string>> conflictingProjectNames(const std::vector<DevProject>& projects) {
    const std::set<int> conflicting = conflictingPorts(projects);
    std::map<int, std::vector<std::string>> names;
    if (conflicting.empty()) return names;
    for (const DevProject& project : projects) {
        for (const DevServer& server : project.servers) {
            for (const int port : server.ports) {
                if (!conflicting.contains(port)) continue;
                std::vector<std::string>& list = names[port];
                if (std::ranges::find(list, project.name) == list.end()) list.push_back(project.name);
            }
        }
    }
    return names;
}
