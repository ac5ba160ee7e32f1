#include "Core/PanelModel/PanelDerivation.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

#include "Core/PanelModel/KeyNav.h"
#include "Core/PanelModel/SearchText.h"
#include "Shared/PortConflicts.h"
#include "Shared/Scan/ProcessScannerParsing.h"

namespace {

using FlatEntry = PanelDerivation::FlatEntry;

int firstPort(const DevServer& server) { return server.ports.empty() ? INT_MAX : server.ports.front(); }

// Key first, then the tie-break; entries equal in both keep their flattened order (stable sort).
bool flatOrder(SortMode mode, const FlatEntry& a, const FlatEntry& b) {
    const DevServer& x = *a.server;
    const DevServer& y = *b.server;
    const auto byFirstPort = [&] { return firstPort(x) < firstPort(y); };
    switch (mode) {
    case SortMode::activity:
    case SortMode::cpu:
        if (x.cpu != y.cpu) return x.cpu > y.cpu;
        return byFirstPort();
    case SortMode::project:
        if (a.project->name != b.project->name) return a.project->name < b.project->name;
        return byFirstPort();
    case SortMode::port:
        if (firstPort(x) != firstPort(y)) return firstPort(x) < firstPort(y);
        return x.pid < y.pid;
    case SortMode::memory:
        if (x.mem != y.mem) return x.mem > y.mem;
        return byFirstPort();
    case SortMode::uptime: {
        const std::int64_t upX = x.uptimeSeconds.value_or(-1);
        const std::int64_t upY = y.uptimeSeconds.value_or(-1);
        if (upX != upY) return upX > upY;
        return byFirstPort();
    }
    }
    return false;
}

bool contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

void deriveConflicts(const std::vector<DevProject>& projects, PanelDerivation& out) {
    for (auto& [port, names] : conflictingProjectNames(projects)) {
        out.conflictingPorts.insert(port);
        out.conflicts.push_back({port, std::move(names)});
    }
}

void deriveRestarts(const std::vector<DevProject>& projects, const std::vector<RestartEntry>& restarts,
                    PanelDerivation& out) {
    std::unordered_set<std::int32_t> pids;
    std::unordered_set<std::string> paths;
    for (const DevProject& project : projects) {
        paths.insert(project.path);
        for (const DevServer& server : project.servers) pids.insert(server.pid);
    }
    for (const RestartEntry& entry : restarts) {
        if (!pids.contains(entry.originalPID)) out.allGhostRestarts.push_back(entry);
        if (!paths.contains(entry.projectPath)) out.orphanedRestarts.push_back(entry);
    }
}

std::vector<RestartEntry> ghostsOf(const DevProject& project, const std::vector<RestartEntry>& restarts) {
    std::vector<RestartEntry> ghosts;
    for (const RestartEntry& entry : restarts) {
        if (entry.projectPath != project.path) continue;
        const bool serverShown = std::any_of(project.servers.begin(), project.servers.end(),
                                             [&](const DevServer& server) { return server.pid == entry.originalPID; });
        if (!serverShown) ghosts.push_back(entry);
    }
    return ghosts;
}

}  // namespace

std::string PanelDerivation::VisibleRow::id() const { return KeyNav::rowID(server->pid, port); }

bool PanelDerivation::matches(const DevServer& server, const DevProject& project, std::string_view loweredQuery) {
    if (loweredQuery.empty()) return true;
    if (contains(SearchText::lowercased(project.name), loweredQuery)) return true;
    if (contains(SearchText::lowercased(server.command), loweredQuery)) return true;
    if (contains(std::to_string(server.pid), loweredQuery)) return true;
    return std::any_of(server.ports.begin(), server.ports.end(),
                       [&](int port) { return contains(std::to_string(port), loweredQuery); });
}

PanelDerivation PanelDerivation::derive(std::shared_ptr<const ProcessSnapshot> snapshot, const DisplayPrefs& prefs,
                                        std::string_view searchQuery, const std::vector<RestartEntry>& restarts) {
    PanelDerivation out;
    out.snapshot = std::move(snapshot);
    out.grouped = prefs.grouped;
    out.loweredQuery = SearchText::lowercased(SearchText::trimmingBlanks(searchQuery));
    out.isSearching = !out.loweredQuery.empty();

    static const std::vector<DevProject> none;
    const std::vector<DevProject>& projects = out.snapshot ? out.snapshot->projects : none;

    for (const DevProject& project : projects) {
        out.totalServers += project.servers.size();
        for (const DevServer& server : project.servers) out.flatServers.push_back({&project, &server});
    }
    std::stable_sort(out.flatServers.begin(), out.flatServers.end(),
                     [mode = prefs.sortMode](const FlatEntry& a, const FlatEntry& b) { return flatOrder(mode, a, b); });
    for (const FlatEntry& entry : out.flatServers) {
        if (matches(*entry.server, *entry.project, out.loweredQuery)) out.filteredFlat.push_back(entry);
    }

    out.filteredProjects = ProcessScannerParsing::sorted(projects, prefs.sortMode);
    if (out.isSearching) {
        for (DevProject& project : out.filteredProjects) {
            std::erase_if(project.servers,
                          [&](const DevServer& server) { return !matches(server, project, out.loweredQuery); });
        }
        std::erase_if(out.filteredProjects, [](const DevProject& project) { return project.servers.empty(); });
    }
    for (const DevProject& project : out.filteredProjects) {
        out.projectGhosts.push_back(out.isSearching ? std::vector<RestartEntry>{} : ghostsOf(project, restarts));
    }

    if (prefs.grouped) {
        for (const DevProject& project : out.filteredProjects) out.matchCount += project.servers.size();
    } else {
        out.matchCount = out.filteredFlat.size();
    }

    deriveConflicts(projects, out);
    deriveRestarts(projects, restarts, out);

    if (prefs.grouped) {
        for (const DevProject& project : out.filteredProjects) {
            for (const DevServer& server : project.servers) {
                for (const int port : server.ports) out.visibleRows.push_back({&server, port, &project});
            }
        }
    } else {
        for (const FlatEntry& entry : out.filteredFlat) {
            for (const int port : entry.server->ports) out.visibleRows.push_back({entry.server, port, entry.project});
        }
    }
    for (const VisibleRow& row : out.visibleRows) {
        if (!out.navSignature.empty()) out.navSignature += ',';
        out.navSignature += row.id();
    }
    return out;
}
