// From listening processes to servers and projects. A server is a process group, because a dev
// server is usually a tree (a watcher, its workers, a bundler) started together and stopped together.

#include <algorithm>
#include <limits>
#include <span>
#include <unordered_map>

#include "Shared/Scan/ProcessIDIndex.h"
#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/ScanText.h"

namespace ProcessScannerParsing {

namespace {

// A listening process that makes (part of) a server. Its texts point into the tables, which
// outlive the building of the projects.
struct Listener {
    std::int32_t pid = 0;
    std::int32_t pgid = 0;
    std::string_view command;
    std::optional<std::string_view> cwd;
    const std::set<int>* ports = nullptr;
    const PSEntry* entry = nullptr;  // its line of the process table, if it has one
    bool inScope = false;
};

struct ScopeRules {
    std::string_view home;
    const std::vector<std::string>& excludedFolders;
    const std::vector<std::string>& includedFolders;
    const std::set<std::int64_t>& watchedPorts;
};

bool anyWatched(const std::set<int>& ports, const std::set<std::int64_t>& watchedPorts) {
    return std::any_of(ports.begin(), ports.end(), [&](int port) { return watchedPorts.contains(port); });
}

// Without lsof's name, the executable's name from the command line stands in.
std::optional<std::string_view> commandFromCommandLine(const PSEntry* entry) {
    if (!entry || !entry->commandLine) return std::nullopt;
    const std::string_view commandLine = *entry->commandLine;
    const auto start = commandLine.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::nullopt;
    const auto executable = commandLine.substr(start, commandLine.find(' ', start) - start);
    const auto name = ScanText::lastPathComponent(executable);
    if (name.empty()) return std::nullopt;
    return name;
}

// `directory` and `entry` are the process's rows of the two tables, where it has them.
std::optional<Listener> makeListener(std::int32_t pid, const std::set<int>& ports, const CWDEntry* directory,
                                     const PSEntry* entry, const ScopeRules& rules) {
    Listener listener;
    listener.pid = pid;
    listener.ports = &ports;
    listener.entry = entry;
    if (directory)
        listener.inScope = isInScope(directory->cwd, rules.home, rules.excludedFolders, rules.includedFolders);
    if (!listener.inScope && !anyWatched(ports, rules.watchedPorts)) return std::nullopt;

    if (directory) {
        listener.command = directory->command;
        listener.cwd = directory->cwd;
    } else if (const auto command = commandFromCommandLine(entry)) {
        listener.command = *command;
    } else {
        return std::nullopt;
    }
    listener.pgid = entry ? entry->pgid : pid;
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

// One process group with a listener: its listeners (by ascending pid), and its processes in the
// table (by ascending pid) with their CPU, memory and resident size summed.
struct Group {
    std::int32_t pgid = 0;
    std::span<const Listener> listeners;
    std::vector<std::int32_t> pids;
    double cpu = 0, mem = 0;
    std::int64_t kilobytes = 0;
};

const Listener& representativeOf(const Group& group) {
    const Listener* representative = &group.listeners.front();
    for (const auto& listener : group.listeners)
        if (isBetterRepresentative(listener, *representative)) representative = &listener;
    return *representative;
}

// Fills a default server in place: a project's servers are counted first and built in their vector.
void fillServer(DevServer& server, Group& group, const Listener& representative) {
    server.pid = representative.pid;
    server.pgid = group.pgid;
    server.command = representative.command;
    if (representative.inScope) server.cwd = representative.cwd;

    if (group.listeners.size() == 1) {  // a set is ascending and distinct already
        server.ports.assign(group.listeners.front().ports->begin(), group.listeners.front().ports->end());
    } else {
        for (const auto& listener : group.listeners)
            server.ports.insert(server.ports.end(), listener.ports->begin(), listener.ports->end());
        std::sort(server.ports.begin(), server.ports.end());
        server.ports.erase(std::unique(server.ports.begin(), server.ports.end()), server.ports.end());
    }

    // A listener missing from the table is a member too, though with nothing to add.
    server.groupPIDs = std::move(group.pids);
    for (const auto& listener : group.listeners) {
        const auto place = std::lower_bound(server.groupPIDs.begin(), server.groupPIDs.end(), listener.pid);
        if (place == server.groupPIDs.end() || *place != listener.pid) server.groupPIDs.insert(place, listener.pid);
    }

    server.cpu = group.cpu;
    server.mem = group.mem;
    server.rss = saturatingKilobytesToBytes(group.kilobytes);
    if (representative.entry) {
        server.uptimeSeconds = representative.entry->uptimeSeconds;
        server.commandLine = representative.entry->commandLine;
    }
}

// The listeners' groups by ascending process group, with what one pass over the whole table finds
// for each.
std::vector<Group> groupsOf(std::span<const Listener> listeners, const ProcessTable& stats) {
    std::vector<Group> groups;
    std::vector<std::int32_t> pgids;
    for (std::size_t start = 0, end = 0; start < listeners.size(); start = end) {
        while (end < listeners.size() && listeners[end].pgid == listeners[start].pgid) ++end;
        auto& group = groups.emplace_back();
        group.pgid = listeners[start].pgid;
        group.listeners = listeners.subspan(start, end - start);
        pgids.push_back(group.pgid);
    }
    // The sums are taken in the pass; each group's pids then go into a vector of the right size.
    const ProcessIDIndex index(pgids);
    std::vector<std::pair<std::uint32_t, std::int32_t>> members;  // group position and pid, by pid
    for (const auto& [pid, entry] : stats) {
        const auto position = index.find(entry.pgid);
        if (!position) continue;
        auto& group = groups[*position];
        group.cpu += entry.cpu;
        group.mem += entry.mem;
        group.kilobytes = saturatingAdd(group.kilobytes, entry.rss);
        members.emplace_back(static_cast<std::uint32_t>(*position), pid);
    }
    std::vector<std::size_t> counts(groups.size());
    for (const auto& member : members) ++counts[member.first];
    for (std::size_t position = 0; position < groups.size(); ++position)
        groups[position].pids.reserve(counts[position] + groups[position].listeners.size());
    for (const auto& [position, pid] : members) groups[position].pids.push_back(pid);
    return groups;
}

}  // namespace

std::vector<DevProject> buildProjects(const WorkingDirectories& cwds, const ListeningPorts& listeners,
                                      const ProcessTable& stats, std::string_view home, std::string_view devFolder,
                                      std::int32_t selfPID, const std::vector<std::string>& excludedFolders,
                                      const std::vector<std::string>& includedFolders,
                                      const std::set<std::int64_t>& watchedPorts) {
    const ScopeRules rules{home, excludedFolders, includedFolders, watchedPorts};
    std::vector<Listener> found;
    found.reserve(listeners.size());
    WorkingDirectories::AscendingFinder directories(cwds);
    ProcessTable::AscendingFinder entries(stats);
    for (const auto& [pid, ports] : listeners) {  // by ascending pid
        const auto* directory = directories.find(pid);
        const auto* entry = entries.find(pid);
        if (pid == selfPID || ports.empty()) continue;
        if (auto listener = makeListener(pid, ports, directory ? &directory->second : nullptr,
                                         entry ? &entry->second : nullptr, rules))
            found.push_back(*listener);
    }
    // By group, and by pid within one, as the listeners came.
    std::stable_sort(found.begin(), found.end(), [](const Listener& a, const Listener& b) { return a.pgid < b.pgid; });
    auto groups = groupsOf(found, stats);

    // Each group's project, the first group of a path naming it. The index views the projects'
    // own paths, which stay in place: there is room for a project per group.
    std::vector<DevProject> projects;
    projects.reserve(groups.size());
    std::unordered_map<std::string_view, std::size_t> projectIndex;
    projectIndex.reserve(groups.size());
    std::vector<std::size_t> projectOf(groups.size());
    std::string storage;
    for (std::size_t position = 0; position < groups.size(); ++position) {
        const auto& representative = representativeOf(groups[position]);
        ProjectIdentityView identity;
        if (representative.inScope) {
            identity = projectIdentityView(*representative.cwd, devFolder, storage);
        } else {
            storage.assign("service://").append(representative.command);
            identity = {representative.command, storage};
        }
        auto slot = projectIndex.find(identity.path);
        if (slot == projectIndex.end()) {
            projects.push_back(DevProject{std::string(identity.name), std::string(identity.path), {}});
            slot = projectIndex.emplace(projects.back().path, projects.size() - 1).first;
        }
        projectOf[position] = slot->second;
    }

    // Each project's servers counted first, then built in place: none is moved while a list grows.
    std::vector<std::size_t> serverCounts(projects.size());
    for (const auto project : projectOf) ++serverCounts[project];
    for (std::size_t project = 0; project < projects.size(); ++project)
        projects[project].servers.reserve(serverCounts[project]);
    for (std::size_t position = 0; position < groups.size(); ++position)
        fillServer(projects[projectOf[position]].servers.emplace_back(), groups[position],
                   representativeOf(groups[position]));

    for (auto& project : projects) orderServers(project.servers);
    return sorted(std::move(projects), SortMode::activity);
}

}  // namespace ProcessScannerParsing
