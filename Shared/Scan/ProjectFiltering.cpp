// The user's filter rules, applied after everything else so that they also reach containers.

#include <algorithm>
#include <string>

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/Settings/FilterRules.h"

namespace ProcessScannerParsing {

namespace {

// Whether any of the server's ports has its hidden key.
bool isHidden(const DevServer& server, const std::set<std::string>& hiddenServers) {
    if (hiddenServers.empty()) return false;
    return std::any_of(server.ports.begin(), server.ports.end(), [&](int port) {
        return hiddenServers.contains(FilterRules::hiddenServerKey(server.command, port));
    });
}

// Whether the rules remove the server; otherwise its ignored ports are taken away.
bool filterOut(DevServer& server, const FilterRules& rules) {
    // The hidden keys look at every port, ignored ones included.
    if (isHidden(server, rules.hiddenServers)) return true;
    std::erase_if(server.ports, [&](int port) { return rules.ignoredPorts.contains(port); });
    return server.ports.empty();
}

}  // namespace

std::vector<DevProject> applyFilters(std::vector<DevProject> projects, const FilterRules& rules) {
    if (rules.isEmpty()) return projects;
    for (auto& project : projects)
        std::erase_if(project.servers, [&](DevServer& server) { return filterOut(server, rules); });
    std::erase_if(projects, [](const DevProject& project) { return project.servers.empty(); });
    return projects;
}

}  // namespace ProcessScannerParsing
