#pragma once
// Projects and servers for the widget's tests.

#include <string>
#include <vector>

#include "Shared/DevProject.h"
#include "support/DevServers.h"

namespace widget_test {

inline DevServer server(std::int32_t pgid, std::vector<int> ports, std::string command = "node", double cpu = 0,
                        std::vector<std::int32_t> groupPIDs = {}) {
    DevServer made = testing_support::devServer(pgid, std::move(ports), std::move(command), cpu);
    if (!groupPIDs.empty()) made.groupPIDs = std::move(groupPIDs);
    return made;
}

inline DevServer container(std::int32_t id, std::vector<int> ports) {
    DevServer made = server(-id, std::move(ports), "postgres");
    made.groupPIDs.clear();
    made.containerID = "c" + std::to_string(id);
    made.containerName = "db-" + std::to_string(id);
    return made;
}

inline DevProject project(std::string name, std::vector<DevServer> servers) {
    return {name, "/home/you/Development/" + name, std::move(servers)};
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
