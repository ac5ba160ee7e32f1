// The user's filter rules, applied after everything else so that they also reach containers.

#include <algorithm>
#include <string>

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/Settings/FilterRules.h"

namespace ProcessScannerParsing {

namespace {

bool isHidden(const DevServer& server, const std::set<std::string>& hiddenServers) {
    if (hiddenServers.empty()) return false;
    return std::any_of(server.ports.begin(), server.ports.end(), [&](int port) {
        return hiddenServers.contains(server.command + ":" + std::to_string(port));
    });
}

// The server as the rules leave it, or nothing when they remove it.
std::optional<DevServer> filtered(DevServer server, const FilterRules& rules) {
    std::vector<int> keptPorts;
    for (const int port : server.ports)
        if (!rules.ignoredPorts.contains(port)) keptPorts.push_back(port);
    // The hidden keys look at every port, ignored ones included.
    if (keptPorts.empty() || isHidden(server, rules.hiddenServers)) return std::nullopt;
    server.ports = std::move(keptPorts);
    return server;
}

}  // namespace

std::vector<DevProject> applyFilters(std::vector<DevProject> projects, const FilterRules& rules) {
    if (rules.isEmpty()) return projects;
    std::vector<DevProject> kept;
    kept.reserve(projects.size());
    for (auto& project : projects) {
        std::vector<DevServer> servers;
        for (auto& server : project.servers)
            if (auto remaining = filtered(std::move(server), rules)) servers.push_back(std::move(*remaining));
        if (servers.empty()) continue;
        project.servers = std::move(servers);
        kept.push_back(std::move(project));
    }
    return kept;
}

}  // namespace ProcessScannerParsing
