#pragma once
// What the widget shows for one timeline entry in one family, worked out without any drawing: the
// header's count and conflict mark, one row per project up to the family's limit, the "+<n> more"
// line, and the intent behind every button. WidgetView draws it. No state; any thread.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Shared/SortMode.h"
#include "Widget/DevProcessEntry.h"
#include "Widget/VellumarkWidget.h"
#include "Widget/WidgetIntents.h"

namespace WidgetContent {

// The entry's projects in the stored display order (only the sort mode counts).
std::vector<DevProject> orderedProjects(const DevProcessEntry& entry, SortMode mode);

struct PortLabel {
    int port = 0;
    bool conflicting = false;  // drawn red
    bool operator==(const PortLabel&) const = default;
};

struct Row {
    std::string name;
    std::vector<PortLabel> ports;  // ":<port>" each, ascending
    std::string commands;          // the servers' commands joined by ", "
    std::string cpuText, memText;  // the project's sums, "%.0f%%"
    // The project's lowest port in the browser, or its folder when it has no port.
    WidgetIntent mainIntent;
    OpenFolderIntent folderIntent;
    std::string folderHelp;  // "Reveal <name> in the file manager"
    // Only when the project has a process the stop can signal: a project of containers, or one
    // whose servers all live on because launchd keeps them alive, has nothing to stop.
    std::optional<KillProjectIntent> stopIntent;
    std::string stopHelp;  // "Kill all <n> processes in <name>", n the processes it signals
};

struct Content {
    std::string serverCount;  // "0 servers", "1 server", "2 servers"
    bool conflict = false;    // some port has two or more servers
    bool nothingRunning = false;
    std::vector<Row> rows;
    std::optional<std::string> more;  // "+<n> more"
};

Content make(const DevProcessEntry& entry, WidgetFamily family, SortMode mode);

}  // namespace WidgetContent
