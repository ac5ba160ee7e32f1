// Containers as servers, and their place among the projects found from native processes.

#include <unordered_map>

#include "Shared/Docker/DockerParsing.h"
#include "Shared/Scan/ProcessScannerParsing.h"
#include "Shared/SortMode.h"

namespace DockerParsing {

namespace {

// Name and image are set apart by " — " (an em dash, U+2014).
constexpr std::string_view nameImageSeparator = " \xE2\x80\x94 ";

ProcessScannerParsing::ProjectIdentity projectOf(const Container& container, const std::string& devFolder) {
    if (container.composeWorkingDir)
        return ProcessScannerParsing::projectIdentity(*container.composeWorkingDir, devFolder);
    return {.name = container.name, .path = "docker:/" + container.name};
}

bool isExcluded(const Container& container, const std::vector<std::string>& excludedFolders) {
    return container.composeWorkingDir &&
           ProcessScannerParsing::liesInAny(*container.composeWorkingDir, excludedFolders);
}

}  // namespace

DevServer devServer(const Container& container) {
    const auto pgid = syntheticPGID(container.id);
    DevServer server;
    server.pid = pgid;
    server.pgid = pgid;
    server.command = imageShortName(container.image);
    server.ports = container.hostPorts;
    server.uptimeSeconds = container.uptimeSeconds;
    server.cpu = 0;
    server.mem = 0;
    server.commandLine = "docker: " + container.name + std::string(nameImageSeparator) + container.image;
    server.cwd = container.composeWorkingDir;
    server.containerID = container.id;
    server.containerName = container.name;
    return server;
}

std::vector<DevProject> merge(const std::vector<Container>& containers, std::vector<DevProject> into,
                              const std::string& devFolder, const std::vector<std::string>& excludedFolders) {
    if (containers.empty()) return into;

    std::vector<DevProject> projects;
    std::unordered_map<std::string, std::size_t> indexByPath;
    const auto entryFor = [&](const std::string& path, const std::string& name) -> DevProject& {
        const auto [found, inserted] = indexByPath.try_emplace(path, projects.size());
        if (inserted) projects.push_back(DevProject{.name = name, .path = path, .servers = {}});
        return projects[found->second];
    };
    // Paths are unique in a scan's projects; should one repeat, its servers are kept together
    // rather than one project silently replacing the other.
    for (auto& project : into) {
        auto& entry = entryFor(project.path, project.name);
        for (auto& server : project.servers) entry.servers.push_back(std::move(server));
    }
    for (const auto& container : containers) {
        if (isExcluded(container, excludedFolders)) continue;
        const auto identity = projectOf(container, devFolder);
        // An existing project keeps its name; the container joins its servers.
        entryFor(identity.path, identity.name).servers.push_back(devServer(container));
    }
    for (auto& project : projects) ProcessScannerParsing::orderServers(project.servers);
    return ProcessScannerParsing::sorted(std::move(projects), SortMode::activity);
}

}  // namespace DockerParsing
