#include "Shared/PortConflicts.h"

#include <map>

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
