#pragma once
// Servers and projects as the scan reports them, for the tests of what is made of them: a process
// leading a group of its own, a container, a project folder in the user's Development folder.

#include <string>
#include <vector>

#include "Shared/DevProject.h"

namespace testing_support {

inline DevServer devServer(std::int32_t pid, std::vector<int> ports = {3000}, std::string command = "node",
                           double cpu = 0) {
    DevServer made;
    made.pid = made.pgid = pid;
    made.groupPIDs = {pid};
    made.command = std::move(command);
    made.ports = std::move(ports);
    made.cpu = cpu;
    return made;
}

// A Docker container publishing the ports: a made-up negative pid, no processes of its own.
inline DevServer container(std::int32_t id, std::vector<int> ports) {
    DevServer made = devServer(-id, std::move(ports), "postgres");
    made.groupPIDs.clear();
    made.containerID = "c0ffee" + std::to_string(id);
    made.containerName = "db-" + std::to_string(id);
    made.commandLine = "docker: db-" + std::to_string(id) + " — postgres:16";
    return made;
}

inline DevProject project(std::string name, std::vector<DevServer> servers) {
    return {name, "/home/you/Development/" + name, std::move(servers)};
}

}  // namespace testing_support
