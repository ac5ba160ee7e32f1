// From listening processes to servers and projects. A server is a process group, because a dev
// server is usually a tree (a watcher, its workers, a bundler) started together and stopped together.

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/Scan/ScanText.h"

namespace ProcessScannerParsing {

namespace {

struct Listener {
    std::int32_t pid = 0;
    std::int32_t pgid = 0;
    std::string command;
    std::optional<std::string> cwd;
    const std::set<int>* ports = nullptr;
    bool inScope = false;
};

struct ScopeRules {
    std::string_view home;
    const std::vector<std::string>& excludedFolders;
    const std::vector<std::string>& includedFolders;
    const std::set<int>& watchedPorts;
};

bool anyWatched(const std::set<int>& ports, const std::set<int>& watchedPorts) {
    return std::any_of(ports.begin(), ports.end(), [&](int port) { return watchedPorts.contains(port); });
}

// Without lsof's name, the executable's name from the command line stands in.
std::optional<std::string> commandFromCommandLine(std::int32_t pid, const ProcessTable& stats) {
    const auto entry = stats.find(pid);
    if (entry == stats.end() || !entry->second.commandLine) return std::nullopt;
    const std::string_view commandLine = *entry->second.commandLine;
    const auto start = commandLine.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::nullopt;
    const auto executable = commandLine.substr(start, commandLine.find(' ', start) - start);
    const auto name = ScanText::lastPathComponent(executable);
    if (name.empty()) return std::nullopt;
    return std::string(name);
}

std::optional<Listener> makeListener(std::int32_t pid, const std::set<int>& ports, const WorkingDirectories& cwds,
                                     const ProcessTable& stats, const ScopeRules& rules) {
    Listener listener;
    listener.pid = pid;
    listener.ports = &ports;
    const auto directory = cwds.find(pid);
    const bool hasDirectory = directory != cwds.end();
    if (hasDirectory)
        listener.inScope =
            isInScope(directory->second.cwd, rules.home, rules.excludedFolders, rules.includedFolders);
    if (!listener.inScope && !anyWatched(ports, rules.watchedPorts)) return std::nullopt;

    if (hasDirectory) {
        listener.command = directory->second.command;
        listener.cwd = directory->second.cwd;
    } else if (auto command = commandFromCommandLine(pid, stats)) {
        listener.command = std::move(*command);
    } else {
        return std::nullopt;
    }
    const auto entry = stats.find(pid);
    listener.pgid = entry != stats.end() ? entry->second.pgid : pid;
    return listener;
}

bool isBetterRepresentative(const Listener& candidate, const Listener& current) {
    const int candidatePort = *candidate.ports->begin();
    const int currentPort = *current.ports->begin();
    if (candidatePort != currentPort) return candidatePort < currentPort;
    return candidate.pid < current.pid;
}

// Resident sizes come from text; absurd values must not overflow.
std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

std::int64_t saturatingKilobytesToBytes(std::int64_t kilobytes) {
    std::int64_t bytes = 0;
    if (!__builtin_mul_overflow(kilobytes, std::int64_t{1024}, &bytes)) return bytes;
    return kilobytes > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

DevServer makeServer(std::int32_t pgid, const std::vector<Listener>& group, std::vector<std::int32_t> groupPIDs,
                     const ProcessTable& stats, const Listener& representative) {
    DevServer server;
    server.pid = representative.pid;
    server.pgid = pgid;
    server.command = representative.command;
    if (representative.inScope) server.cwd = representative.cwd;

    std::set<int> ports;
    for (const auto& listener : group) ports.insert(listener.ports->begin(), listener.ports->end());
    server.ports.assign(ports.begin(), ports.end());

    for (const auto& listener : group) groupPIDs.push_back(listener.pid);
    std::sort(groupPIDs.begin(), groupPIDs.end());
    groupPIDs.erase(std::unique(groupPIDs.begin(), groupPIDs.end()), groupPIDs.end());

    std::int64_t kilobytes = 0;
    for (const auto pid : groupPIDs) {
        const auto entry = stats.find(pid);
        if (entry == stats.end()) continue;
        server.cpu += entry->second.cpu;
        server.mem += entry->second.mem;
        kilobytes = saturatingAdd(kilobytes, entry->second.rss);
    }
    server.rss = saturatingKilobytesToBytes(kilobytes);
    server.groupPIDs = std::move(groupPIDs);

    if (const auto entry = stats.find(representative.pid); entry != stats.end()) {
        server.uptimeSeconds = entry->second.uptimeSeconds;
        server.commandLine = entry->second.commandLine;
    }
    return server;
}

}  // namespace

std::vector<DevProject> buildProjects(const WorkingDirectories& cwds, const ListeningPorts& listeners,
                                      const ProcessTable& stats, std::string_view home,
                                      std::string_view devFolder, std::int32_t selfPID,
                                      const std::vector<std::string>& excludedFolders,
                                      const std::vector<std::string>& includedFolders,
                                      const std::set<int>& watchedPorts) {
    const ScopeRules rules{home, excludedFolders, includedFolders, watchedPorts};
    std::map<std::int32_t, std::vector<Listener>> groups;
    for (const auto& [pid, ports] : listeners) {
        if (pid == selfPID || ports.empty()) continue;
        if (auto listener = makeListener(pid, ports, cwds, stats, rules))
            groups[listener->pgid].push_back(std::move(*listener));
    }

    // One pass over the whole table instead of one per group.
    std::unordered_map<std::int32_t, std::vector<std::int32_t>> pidsByGroup;
    for (const auto& [pid, entry] : stats)
        if (groups.contains(entry.pgid)) pidsByGroup[entry.pgid].push_back(pid);

    std::vector<DevProject> projects;
    std::unordered_map<std::string, std::size_t> projectIndex;
    for (auto& [pgid, group] : groups) {
        const Listener* representative = &group.front();
        for (const auto& listener : group)
            if (isBetterRepresentative(listener, *representative)) representative = &listener;

        auto server = makeServer(pgid, group, std::move(pidsByGroup[pgid]), stats, *representative);
        const auto identity = representative->inScope
                                  ? projectIdentity(*representative->cwd, devFolder)
                                  : ProjectIdentity{representative->command, "service://" + representative->command};
        auto [slot, created] = projectIndex.try_emplace(identity.path, projects.size());
        if (created) projects.push_back(DevProject{identity.name, identity.path, {}});
        projects[slot->second].servers.push_back(std::move(server));
    }

    for (auto& project : projects) orderServers(project.servers);
    return sorted(std::move(projects), SortMode::activity);
}

}  // namespace ProcessScannerParsing
