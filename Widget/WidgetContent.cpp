#include "Widget/WidgetContent.h"

#include "Shared/FixedPoint.h"
#include "Shared/PortConflicts.h"
#include "Shared/Scan/ProcessScannerParsing.h"

namespace WidgetContent {
namespace {

std::string percentText(double value) { return fixedPoint(value, 0) + "%"; }

Row row(const DevProject& project, const std::set<int>& conflicting) {
    Row result;
    result.name = project.name;
    const std::vector<int> ports = project.allPorts();
    for (int port : ports) result.ports.push_back({port, conflicting.contains(port)});
    double cpu = 0, mem = 0;
    for (const DevServer& server : project.servers) {
        if (!result.commands.empty()) result.commands += ", ";
        result.commands += server.command;
        cpu += server.cpu;
        mem += server.mem;
    }
    result.cpuText = percentText(cpu);
    result.memText = percentText(mem);
    if (ports.empty()) result.mainIntent = OpenFolderIntent(project.path);
    else result.mainIntent = OpenLocalhostIntent(ports.front());
    result.folderIntent = OpenFolderIntent(project.path);
    result.folderHelp = "Reveal " + project.name + " in the file manager";
    KillProjectIntent stop(project.servers);
    if (!stop.pids.empty()) {
        result.stopHelp = "Kill all " + std::to_string(stop.pids.size()) + " processes in " + project.name;
        result.stopIntent = std::move(stop);
    }
    return result;
}

}  // namespace

std::vector<DevProject> orderedProjects(const DevProcessEntry& entry, SortMode mode) {
    return ProcessScannerParsing::sorted(entry.projects, mode);
}

Content make(const DevProcessEntry& entry, WidgetFamily family, SortMode mode) {
    Content content;
    content.serverCount = serverCountText(totalServerCount(entry.projects));
    const std::set<int> conflicting = conflictingPorts(entry.projects);
    content.conflict = !conflicting.empty();
    content.nothingRunning = entry.projects.empty();

    const std::size_t limit = static_cast<std::size_t>(WidgetFamilies::rowLimit(family));
    const std::vector<DevProject> ordered = orderedProjects(entry, mode);
    for (std::size_t i = 0; i < ordered.size() && i < limit; ++i) content.rows.push_back(row(ordered[i], conflicting));
    if (ordered.size() > limit) content.more = "+" + std::to_string(ordered.size() - limit) + " more";
    return content;
}

}  // namespace WidgetContent
