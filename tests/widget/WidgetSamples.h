#pragma once
// Projects and servers for the widget's tests, and the queue they send the application.

#include <filesystem>
#include <string>
#include <vector>

#include "Platform/AtomicFile.h"
#include "Shared/DevProject.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "support/DevServers.h"

namespace widget_test {

inline DevServer server(std::int32_t pgid, std::vector<int> ports, std::string command = "node", double cpu = 0,
                        std::vector<std::int32_t> groupPIDs = {}) {
    DevServer made = testing_support::devServer(pgid, std::move(ports), std::move(command), cpu);
    if (!groupPIDs.empty()) made.groupPIDs = std::move(groupPIDs);
    return made;
}

using testing_support::container;
using testing_support::project;

// The commands the widget has queued for the application, "(none)" while there is no queue file.
inline std::filesystem::path queueFile() { return *AppGroup::containerURL() / WidgetCommandQueue::fileName; }
inline std::string queued() {
    return Platform::readWholeFile(queueFile(), WidgetCommandQueue::maximumFileSize).value_or("(none)");
}

// `count` projects named p00, p01, ..., one server each on its own port.
inline std::vector<DevProject> projects(int count) {
    std::vector<DevProject> made;
    for (int i = 0; i < count; ++i) {
        const std::string name = (i < 10 ? "p0" : "p") + std::to_string(i);
        made.push_back(project(name, {server(1000 + i, {3000 + i})}));
    }
    return made;
}

}  // namespace widget_test
