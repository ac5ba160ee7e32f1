#pragma once
// Servers as the scan reports them, for the tests of what is made of them: a process leading a group
// of its own.

#include <string>
#include <vector>

#include "Shared/DevServer.h"

namespace testing_support {

inline DevServer devServer(std::int32_t pid, std::vector<int> ports = {3000}, std::string command = "node", double cpu = 0) {
    DevServer made;
    made.pid = made.pgid = pid;
    made.groupPIDs = {pid};
    made.command = std::move(command);
    made.ports = std::move(ports);
    made.cpu = cpu;
    return made;
}

}  // namespace testing_support
